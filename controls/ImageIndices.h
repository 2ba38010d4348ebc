#pragma once
// Indices of the program's 100-entry image list (CImageList), of the item
// menu's 48-cell icon strip and the named icons of buttons and windows.
// The row indices match engine/CItemStates.h; the engine keeps its own copy
// because it must not include anything of the widget folders.

namespace ImageIndex {

inline constexpr int COUNT = 100;

// Row states.
inline constexpr int FOLDER = 0;
inline constexpr int FAILED = 1;           // red cross
inline constexpr int COMPLETED = 2;        // green check mark
inline constexpr int NOTHING_FOUND = 3;    // grey folder
inline constexpr int CLEANUP_LEFT = 4;     // the sweep (broom)
inline constexpr int COPYING_SAMPLES = 5;  // film strip with a copy arrow
inline constexpr int KILLED = 6;           // stop sign

// Tray summary icons (the program icon with a badge).
inline constexpr int TRAY_IDLE = 7;
inline constexpr int TRAY_ALL_OK = 8;
inline constexpr int TRAY_FAILED = 9;
inline constexpr int TRAY_CLEANUP_FAILED = 10;

// Tray animation frames while a row is processed.
inline constexpr int TRAY_FRAME_FIRST = 11;
inline constexpr int TRAY_FRAME_LAST = 20;

// Row animation frames: test (magnifier over an archive) and extraction.
inline constexpr int TEST_FRAME_FIRST = 21;
inline constexpr int TEST_FRAME_LAST = 41;
inline constexpr int EXTRACT_FRAME_FIRST = 42;
inline constexpr int EXTRACT_FRAME_LAST = 70;

// Item types.
inline constexpr int MONKEY = 71;  // a folder item named exactly "monkey"
inline constexpr int RAR = 72;
inline constexpr int ZIP = 73;
inline constexpr int SKIPPED = 74;
inline constexpr int PRESET_FIRST = 75;  // 75 + preset index, numbered 1..20
inline constexpr int PRESET_LAST = 94;
inline constexpr int CLEANING = 95;  // while clean-up runs

// Report rows.
inline constexpr int REPORT_SPACER = 96;       // the empty line under an error report's heading
inline constexpr int REPORT_KEPT_FILE = 97;    // a file left in place as a precaution
inline constexpr int REPORT_OTHER_ERROR = 98;  // another clean-up error
inline constexpr int REPORT_HEADING = 99;      // a group heading of the clean-up report

constexpr int PresetImage(int nPreset) {
    return PRESET_FIRST + nPreset;
}

}  // namespace ImageIndex

// The item menu's icon strip: 48 cells; -1 means no icon.
namespace MenuIcon {

inline constexpr int COUNT = 48;
inline constexpr int NONE = -1;

inline constexpr int HISTORY_ENTRY = 0;
inline constexpr int SET_TO_INPUT = 1;
inline constexpr int BROWSE = 2;
inline constexpr int HISTORY_TITLE = 3;
inline constexpr int CLEAR_HISTORY = 4;
inline constexpr int SET_OUTPUT_FOLDER = 5;
inline constexpr int SET_PRESET = 6;
inline constexpr int PRESET_FIRST = 7;  // 7 + preset position (7..26)
inline constexpr int OPEN_OUTPUT_FOLDER = 27;
inline constexpr int OPEN_INPUT_FOLDER = 28;
inline constexpr int DELETE = 30;
inline constexpr int SELECT_ALL = 31;
inline constexpr int REMOVE_PRESET = 32;
inline constexpr int SKIP = 33;
inline constexpr int RUN = 34;
inline constexpr int FILE_AVI = 35;
inline constexpr int FILE_EXE = 36;
inline constexpr int FILE_MSI = 37;
inline constexpr int FILE_MKV = 38;
inline constexpr int FILE_MPG = 39;
inline constexpr int CLEANUP_REPORT = 40;
inline constexpr int ERROR_REPORT = 41;
inline constexpr int ADD_FOLDER = 43;
inline constexpr int ADD_FILES = 44;
inline constexpr int FILE_VOB = 45;
inline constexpr int FILE_MP4 = 47;

constexpr int PresetCell(int nPreset) {
    return PRESET_FIRST + nPreset;
}

}  // namespace MenuIcon

// Icons outside the list: buttons, windows, the tray variant and the
// program icon's spin animation (Ctrl+X).
enum class ENamedIcon {
    App,  // the program icon (also the window icon)
    // main window buttons
    Go,
    Pause,
    Kill,
    Exit,
    Help,
    Update,
    Donate,
    ClearList,
    ResetList,
    RemoveSuccessful,
    Presets,
    Preferences,
    // dialog buttons
    New,
    Edit,
    Delete,
    Up,
    Down,
    Close,
    Save,
    Cancel,
    Ok,
    Apply,  // "Delete remaining" uses Delete
    // window icons
    HelpWindow,
    ChangelogWindow,
    ErrorReportWindow,
    CleanupReportWindow,
    PresetsWindow,
    PreferencesWindow,
    // the tray variant "failed, and clean-up failures too"
    TrayFailedAndCleanup,
};

// The program icon's spin animation: step 0 is the still frame, steps 1..12
// turn it once.
inline constexpr int APP_SPIN_STEPS = 13;
