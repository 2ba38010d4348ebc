#include "engine/ItemMenuHelpers.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/PathHelpers.h"
#include "engine/PresetOps.h"

namespace {

bool IsRegularFile(const std::string& strPath) {
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string WithoutLineBreaks(std::string strText) {
    strText.erase(
        std::remove_if(strText.begin(), strText.end(), [](char c) { return c == '\r' || c == '\n'; }),
        strText.end());
    return strText;
}

std::string Blanks(int nCount) {
    return std::string(static_cast<size_t>(std::max(nCount, 1)), ' ');
}

}  // namespace

std::string PadShortcut(const std::string& strLabel, const std::string& strShortcut, int nWidth) {
    const int nUsed = PresetNameLength(strLabel) + PresetNameLength(strShortcut);
    return strLabel + Blanks(nWidth - nUsed) + strShortcut;
}

std::string PadMenuText(const std::string& strText) {
    const int nWidth = strText == MENU_TEXT_SKIP ? MENU_TEXT_WIDTH + 1 : MENU_TEXT_WIDTH;
    const size_t nDollar = strText.find('$');
    if (nDollar == std::string::npos) {
        const int nLength = PresetNameLength(strText);
        return nLength < nWidth ? strText + std::string(static_cast<size_t>(nWidth - nLength), ' ') : strText;
    }
    return PadShortcut(strText.substr(0, nDollar), strText.substr(nDollar + 1), nWidth);
}

int RunListIcon(const std::string& strPath) {
    const std::string strExtension = GetExtension(FileNameOf(strPath));
    for (const CRunFileType& type : RUN_FILE_TYPES) {
        if (strExtension == type.pszExtension)
            return type.nIcon;
    }
    return -1;
}

CRunList PruneRunList(std::vector<std::string>& arrNewFiles,
                      const std::function<bool(const std::string&)>& fnExists) {
    CRunList list;
    if (arrNewFiles.size() >= RUN_LIST_LIMIT) {
        return list;
    }
    list.bBuilt = true;
    const auto exists = fnExists ? fnExists : IsRegularFile;
    arrNewFiles.erase(std::remove_if(arrNewFiles.begin(), arrNewFiles.end(),
                                     [&](const std::string& strPath) { return !exists(strPath); }),
                      arrNewFiles.end());
    for (const std::string& strPath : arrNewFiles) {
        const int nIcon = RunListIcon(strPath);
        if (nIcon >= 0) {
            list.arrEntries.push_back({FileNameOf(strPath), strPath, nIcon});
        }
    }
    return list;
}

EPresetNameCheck CheckPresetName(const std::string& strName, const std::vector<CPresets>& arrPresets,
                                 int nEditedIndex) {
    if (strName.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        return EPresetNameCheck::BadCharacter;
    }
    for (size_t i = 0; i < arrPresets.size(); ++i) {
        if (static_cast<int>(i) != nEditedIndex && arrPresets[i].strName == strName) {
            return EPresetNameCheck::Duplicate;
        }
    }
    if (strName.empty()) {
        return EPresetNameCheck::Empty;
    }
    if (PresetNameLength(strName) > PRESET_NAME_MAX) {
        return EPresetNameCheck::TooLong;
    }
    return EPresetNameCheck::Ok;
}

std::string PresetNameMessage(EPresetNameCheck check) {
    switch (check) {
        case EPresetNameCheck::BadCharacter:
            return "Name cannot contain any of the following characters:\r\n\\ / : * ? \" < > |";
        case EPresetNameCheck::Duplicate:
            return "Preset allready exists.\r\nPlease choose another name.";
        case EPresetNameCheck::Empty:
            return "You must set a name";
        case EPresetNameCheck::TooLong:
            return "The name can be at most " + std::to_string(PRESET_NAME_MAX) + " characters long.";
        case EPresetNameCheck::Ok:
            break;
    }
    return std::string();
}

bool SelectsPresetName(EPresetNameCheck check) {
    return check == EPresetNameCheck::BadCharacter || check == EPresetNameCheck::Duplicate ||
           check == EPresetNameCheck::TooLong;
}

bool ReportSaysTest(const CListItem& item, bool bTestOptionNow) {
    return item.bHasRun != 0 ? item.bRunWasTest != 0 : bTestOptionNow;
}

std::vector<CReportRow> ErrorReportRows(const CListItem& item, bool bTest, int nLines) {
    std::vector<CReportRow> arrRows;
    arrRows.push_back(
        {(bTest ? "Test operation failed in " : "Extraction failed in ") + item.strPath, bTest ? 21 : 70});
    arrRows.push_back({std::string(), 96});
    const size_t nShown =
        nLines < 0 ? item.arrErrors.size() : std::min(item.arrErrors.size(), static_cast<size_t>(nLines));
    for (size_t i = 0; i < nShown; ++i) {
        arrRows.push_back({WithoutLineBreaks(item.arrErrors[i]), 1});
    }
    return arrRows;
}

std::vector<CReportRow> CleanUpReportRows(const CListItem& item) {
    struct CGroup {
        int nKind;
        const char* pszHeading;
        int nImage;
    };
    static constexpr CGroup GROUPS[] = {
        {CleanUpInfo::KIND_KEPT_FILE, "As a precaution the following file(s) wasn't deleted:", 97},
        {CleanUpInfo::KIND_FOLDER_LEFT, "Unable to delete the following folder(s):", 0},
        {CleanUpInfo::KIND_OTHER_ERROR, "Other errors:", 98},
    };
    std::vector<CReportRow> arrRows;
    for (const CGroup& group : GROUPS) {
        bool bHeading = false;
        for (const CleanUpInfo& info : item.arrCleanUp) {
            if (info.nKind != group.nKind) {
                continue;
            }
            if (!bHeading) {
                arrRows.push_back({group.pszHeading, CLEANUP_HEADING_IMAGE});
                bHeading = true;
            }
            const std::string& strText =
                group.nKind == CleanUpInfo::KIND_OTHER_ERROR ? info.strMessage : info.strPath;
            arrRows.push_back({WithoutLineBreaks(strText), group.nImage});
        }
    }
    return arrRows;
}

std::vector<CReportRow> ReportRows(const CListItem& item, CJobList::EReport report, bool bTestOptionNow,
                                   int nErrorLines) {
    switch (report) {
        case CJobList::EReport::Errors:
            return ErrorReportRows(item, ReportSaysTest(item, bTestOptionNow), nErrorLines);
        case CJobList::EReport::CleanUp:
            return CleanUpReportRows(item);
        case CJobList::EReport::None:
            break;
    }
    return {};
}
