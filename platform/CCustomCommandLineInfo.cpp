#include "platform/CCustomCommandLineInfo.h"

namespace {

const std::string PRESET_PREFIX = "?Preset";
constexpr int MAX_PRESETS = 20;

}  // namespace

void CCustomCommandLineInfo::ParseParam(const std::string& param, bool /*isFlag*/, bool /*isLast*/) {
    arrParams.push_back(param);
}

void CCustomCommandLineInfo::ParseCommandLine(int argc, const char* const* argv,
                                              const std::string& currentFolder) {
    for (int i = 1; i < argc; ++i) {
        ParseParam(MakeAbsoluteArgument(argv[i], currentFolder), false, i == argc - 1);
    }
}

bool IsPresetArgument(const std::string& argument) {
    return argument.compare(0, PRESET_PREFIX.size(), PRESET_PREFIX) == 0;
}

int PresetSelectorNumber(const std::string& argument) {
    for (int n = 1; n <= MAX_PRESETS; ++n) {
        if (argument == PRESET_PREFIX + std::to_string(n) + "?")
            return n;
    }
    return 0;
}

bool HasPresetArgument(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments) {
        if (IsPresetArgument(a))
            return true;
    }
    return false;
}

std::string MakeAbsoluteArgument(const std::string& argument, const std::string& currentFolder) {
    if (argument.empty() || IsPresetArgument(argument))
        return argument;
    std::string path = argument;
    if (path[0] != '/') {
        // Drop "." parts and doubled slashes of the relative part; ".." stays,
        // since a symbolic link makes its meaning a matter of the file system.
        std::string joined = currentFolder + "/" + argument;
        path.clear();
        size_t pos = 0;
        while (pos <= joined.size()) {
            size_t slash = joined.find('/', pos);
            if (slash == std::string::npos)
                slash = joined.size();
            std::string part = joined.substr(pos, slash - pos);
            if (!part.empty() && part != ".")
                path += "/" + part;
            pos = slash + 1;
        }
        if (path.empty())
            path = "/";
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<CCommandLineItem> SelectCommandLineItems(const std::vector<std::string>& arrCmdLine,
                                                     int presetCount, bool& bHadPreset) {
    std::vector<CCommandLineItem> items;
    bHadPreset = false;
    int current = -1;
    for (const std::string& argument : arrCmdLine) {
        if (IsPresetArgument(argument)) {
            bHadPreset = true;
            if (int n = PresetSelectorNumber(argument))
                current = n <= presetCount ? n - 1 : -1;
            continue;
        }
        items.push_back({argument, current});
    }
    return items;
}

CHandOverDecision TakeHandOver(const std::vector<std::string>& pieces, bool bCmdLinePending, bool bProcessing,
                               std::vector<std::string>& arrCmdLine) {
    CHandOverDecision decision;
    if (pieces.empty() || bCmdLinePending) {
        decision.bIgnored = true;
        return decision;
    }
    const bool preset = HasPresetArgument(pieces);
    arrCmdLine.insert(arrCmdLine.end(), pieces.begin(), pieces.end());
    if (!arrCmdLine.empty()) {
        decision.bBringToFront = !bProcessing && !preset;
        decision.bRemoveDoneRows = !bProcessing && preset;
        decision.bAddItems = true;
    }
    return decision;
}

bool IsRemovedBeforePresetBatch(int nPreset, const std::string& strStatus) {
    return nPreset < 0 || strStatus == "Completed OK";
}
