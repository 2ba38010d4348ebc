#pragma once
// The command line of harvex and what the first instance does with arguments
// that arrive (its own, or handed over by a later instance).
//
// Arguments are taken as they are: a leading '/' is part of an absolute path,
// never a switch. A relative path is made absolute in the process that
// received it, before any hand-over, because the first instance may have
// another current folder. An argument that begins with "?Preset" is a preset
// selector, never a path: exactly "?Preset1?" ... "?Preset20?" selects that
// preset for the paths after it; any other such argument is dropped and
// leaves the current preset as it was.
//
// Pure functions and plain data; GUI thread.

#include <string>
#include <vector>

class CCustomCommandLineInfo {
public:
    // Appends the argument whatever it looks like.
    void ParseParam(const std::string& param, bool isFlag, bool isLast);
    // Every argument of argv[1..] through ParseParam, relative paths made
    // absolute against currentFolder first.
    void ParseCommandLine(int argc, const char* const* argv, const std::string& currentFolder);

    std::vector<std::string> arrParams;
};

bool IsPresetArgument(const std::string& argument);
// 1..20 for an argument that is exactly "?PresetN?", 0 otherwise.
int PresetSelectorNumber(const std::string& argument);
bool HasPresetArgument(const std::vector<std::string>& arguments);

// currentFolder + "/" + argument for a relative path (also a bare name), with
// "./" parts and doubled slashes of it dropped; an absolute path stays as it
// is. Trailing slashes are dropped so that the item's name (the part after the
// last '/') is never empty. Preset arguments and empty ones stay as they are.
std::string MakeAbsoluteArgument(const std::string& argument, const std::string& currentFolder);

// One path of the command line with the preset index it is added with (-1: none).
struct CCommandLineItem {
    std::string strPath;
    int nPreset = -1;
    bool operator==(const CCommandLineItem&) const = default;
};
// The paths of arrCmdLine in order, each with the preset chosen by the last
// selector before it. A selector for a preset beyond presetCount selects no
// preset. bHadPreset tells whether any argument was a preset argument.
std::vector<CCommandLineItem> SelectCommandLineItems(const std::vector<std::string>& arrCmdLine,
                                                     int presetCount, bool& bHadPreset);

// What the first instance does with a hand-over (the pieces already decoded).
struct CHandOverDecision {
    bool bIgnored = false;         // empty, or the start's own arguments still wait
    bool bBringToFront = false;    // idle and no preset argument
    bool bRemoveDoneRows = false;  // idle and a preset argument: RemoveDoneBeforePresetBatch first
    bool bAddItems = false;        // set bCmdLinePending and AddCommandLineItems
};
// Appends the pieces to arrCmdLine and decides.
CHandOverDecision TakeHandOver(const std::vector<std::string>& pieces, bool bCmdLinePending, bool bProcessing,
                               std::vector<std::string>& arrCmdLine);

// Rows that go before a preset batch: items without a preset, and items with
// a preset whose status is "Completed OK".
bool IsRemovedBeforePresetBatch(int nPreset, const std::string& strStatus);
