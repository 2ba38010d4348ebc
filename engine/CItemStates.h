#pragma once
// The item states of the job list: the exact strStatus / strResult texts,
// the row images and the text colours that go with them. Colours are plain
// 0xRRGGBB values (the GUI turns them into QColor).

#include <cstdint>
#include <string>

namespace ItemStates {

inline constexpr const char* SKIP = "Skip";
inline constexpr const char* COMPLETED = "Completed OK";
inline constexpr const char* CLEANUP_LEFT = "OK (Double click)";  // strResult "Cleanup failed"
inline constexpr const char* FAILED = "-Double click-";           // strResult "Failed"
inline constexpr const char* NOTHING_TO_TEST = "Nothing to test";
inline constexpr const char* NOTHING_TO_EXTRACT = "Nothing to extract";
inline constexpr const char* KILLED = "Process killed";
inline constexpr const char* COPYING_SAMPLES = "Copying sample(s)";

inline constexpr const char* RESULT_CLEANUP_FAILED = "Cleanup failed";
inline constexpr const char* RESULT_FAILED = "Failed";

inline constexpr const char* OUTPUT_TO_INPUT_MARKER = " -- Extract to input folder --";
inline constexpr const char* MONKEY = "monkey";

// Row images (indices into the list's image list).
inline constexpr int IMAGE_FOLDER = 0;
inline constexpr int IMAGE_FAILED = 1;
inline constexpr int IMAGE_COMPLETED = 2;
inline constexpr int IMAGE_NOTHING = 3;
inline constexpr int IMAGE_CLEANUP_LEFT = 4;
inline constexpr int IMAGE_KILLED = 6;
inline constexpr int IMAGE_TEST_ANIMATION_FIRST = 21;     // .. 41
inline constexpr int IMAGE_EXTRACT_ANIMATION_FIRST = 42;  // .. 70
inline constexpr int IMAGE_MONKEY = 71;
inline constexpr int IMAGE_RAR = 72;
inline constexpr int IMAGE_ZIP = 73;
inline constexpr int IMAGE_SKIP = 74;
inline constexpr int IMAGE_PRESET_FIRST = 75;  // 75 + preset index (0..19)
inline constexpr int IMAGE_CLEANING = 95;

// Colours, 0xRRGGBB.
constexpr uint32_t Rgb(int r, int g, int b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}
inline constexpr uint32_t COLOUR_BACKGROUND = Rgb(255, 255, 224);
inline constexpr uint32_t COLOUR_BLACK = Rgb(0, 0, 0);
inline constexpr uint32_t COLOUR_SKIP = Rgb(255, 153, 51);
inline constexpr uint32_t COLOUR_COMPLETED = Rgb(0, 160, 0);
inline constexpr uint32_t COLOUR_CLEANUP_LEFT = Rgb(192, 0, 192);
inline constexpr uint32_t COLOUR_ERROR = Rgb(192, 0, 0);
inline constexpr uint32_t COLOUR_COPYING = Rgb(0, 0, 128);
inline constexpr uint32_t COLOUR_MONKEY = Rgb(0, 0, 255);
inline constexpr uint32_t COLOUR_MARKER = Rgb(17, 75, 177);

// Text colour of the "Result" column for a state.
inline uint32_t StatusColour(const std::string& strStatus) {
    if (strStatus == SKIP) {
        return COLOUR_SKIP;
    }
    if (strStatus == COMPLETED) {
        return COLOUR_COMPLETED;
    }
    if (strStatus == CLEANUP_LEFT) {
        return COLOUR_CLEANUP_LEFT;
    }
    if (strStatus == FAILED || strStatus == NOTHING_TO_TEST || strStatus == NOTHING_TO_EXTRACT ||
        strStatus == KILLED) {
        return COLOUR_ERROR;
    }
    if (strStatus == COPYING_SAMPLES) {
        return COLOUR_COPYING;
    }
    return COLOUR_BLACK;
}

}  // namespace ItemStates
