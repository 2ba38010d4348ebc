#pragma once
// One preset: a named option set with its own output folder. The main window
// keeps up to MAX_PRESETS of them in list order; the first has number 1.

#include <string>

class CPresets {
public:
    int bNfo = 0;
    int bSubs = 0;
    int bSubsFolder = 0;
    int bMainFolder = 0;
    int bCleanUp = 0;
    int bSample = 0;
    int bCovers = 0;
    int bOutputToInput = 0;
    std::string strOutputPath;  // " -- Extract to input folder --" when chosen so in the editor
    std::string strName;        // 1..40 characters, unique, none of \ / : * ? < > | "
    int bTest = 0;

    static constexpr int MAX_PRESETS = 20;
};
