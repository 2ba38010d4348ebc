#pragma once
// The pure parts of the item menu, the preset editor's Save checks and the two
// report windows: texts, icons and row data, computed from records so that the
// widgets only draw them.
//
// Threads: any (nothing here touches shared state; PruneRunList asks the file
// system through the given test). Nothing keeps a pointer to its arguments.

#include <functional>
#include <string>
#include <vector>

#include "engine/CJobList.h"
#include "engine/CListItem.h"
#include "settings/CPresets.h"

// --- shortcut texts ------------------------------------------------------------

// Width in characters that an item-menu text is padded to, and the one entry
// that is one wider.
constexpr int MENU_TEXT_WIDTH = 40;
inline constexpr const char* MENU_TEXT_SKIP = "Skip$Ctrl+S";

// A menu text as shown: "$" becomes blanks, as many as bring the text to
// MENU_TEXT_WIDTH characters (41 for "Skip$Ctrl+S"), at least one, so that the
// shortcut stands at the right; a text without "$" gets the blanks at its end
// ("Reset$Ctrl+R" -> "Reset" + 29 blanks + "Ctrl+R"). Characters are code points.
std::string PadMenuText(const std::string& strText);

// The same for a label and a shortcut given apart: strLabel, blanks, strShortcut,
// nWidth characters in all (at least one blank).
std::string PadShortcut(const std::string& strLabel, const std::string& strShortcut,
                        int nWidth = MENU_TEXT_WIDTH);

// --- the "Run..." submenu ------------------------------------------------------

// The list is offered only while the item's arrNewFiles holds fewer entries.
constexpr size_t RUN_LIST_LIMIT = 21;

// The kinds of file a run's new files are collected for and the "Run..." list offers,
// in the order they are collected, each with its icon.
struct CRunFileType {
    const char* pszExtension;  // lower case, without the dot
    int nIcon;
};
inline constexpr CRunFileType RUN_FILE_TYPES[] = {{"exe", 36}, {"msi", 37}, {"avi", 35},  {"mkv", 38},
                                                  {"mp4", 47}, {"mpg", 39}, {"mpeg", 39}, {"vob", 45}};

// The icon of a file the "Run..." list offers, by its extension (any case), from
// RUN_FILE_TYPES; -1 otherwise.
int RunListIcon(const std::string& strPath);

struct CRunEntry {
    std::string strName;  // the file name (after the last '/'), the entry's text
    std::string strPath;  // the full path, what is opened
    int nIcon = -1;
    bool operator==(const CRunEntry&) const = default;
};

struct CRunList {
    bool bBuilt = false;                // false: RUN_LIST_LIMIT or more entries, nothing looked at
    std::vector<CRunEntry> arrEntries;  // in arrNewFiles order
};

// Builds the "Run..." entries from an item's arrNewFiles: only when it holds
// fewer than RUN_LIST_LIMIT entries; then every entry whose file no longer
// exists (fnExists false) is removed from arrNewFiles, and each remaining file
// with a known extension becomes an entry. Other files stay in arrNewFiles.
// The menu offers "Run..." when the list was built and arrNewFiles is not
// empty afterwards. fnExists defaults to a regular-file test (links followed).
CRunList PruneRunList(std::vector<std::string>& arrNewFiles,
                      const std::function<bool(const std::string&)>& fnExists = {});

// --- the preset editor's Save checks ---------------------------------------------

enum class EPresetNameCheck { Ok, BadCharacter, Duplicate, Empty, TooLong };

// The checks of "&Save", in their order: a forbidden character (\ / : * ? " < > |),
// another preset (any index but nEditedIndex; -1 for a new preset) with exactly
// this name, an empty name, and last a name over PRESET_NAME_MAX characters
// (PresetNameLength), which the name edit's own limit normally prevents.
EPresetNameCheck CheckPresetName(const std::string& strName, const std::vector<CPresets>& arrPresets,
                                 int nEditedIndex);
// The stop-icon message for a failed check ("" for Ok).
std::string PresetNameMessage(EPresetNameCheck check);
// True when the editor selects the name's text after the message.
bool SelectsPresetName(EPresetNameCheck check);

// --- report rows -----------------------------------------------------------------

struct CReportRow {
    std::string strText;  // CR and LF removed
    int nImage = -1;      // index into the program's image list
    bool operator==(const CReportRow&) const = default;
};

// Whether the error report speaks of a test: what the item's last run did when
// it has run (bHasRun), otherwise the option that applies now (the item's preset's
// test flag, else the main window's "Test").
bool ReportSaysTest(const CListItem& item, bool bTestOptionNow);

// The error report: "Test operation failed in " (image 21) or "Extraction failed
// in " (image 70) + strPath; an empty row (image 96); then the first nLines error
// lines (all for -1), image 1.
std::vector<CReportRow> ErrorReportRows(const CListItem& item, bool bTest, int nLines = -1);

// The image of a clean-up report's group heading.
constexpr int CLEANUP_HEADING_IMAGE = 99;

// The clean-up report, grouped in this order, each group only when it has
// entries: "As a precaution the following file(s) wasn't deleted:" (kind 1,
// strPath, image 97), "Unable to delete the following folder(s):" (kind 3,
// strPath, image 0), "Other errors:" (kind 2, strMessage, image 98); headings
// have image 99. Other kinds are not shown.
std::vector<CReportRow> CleanUpReportRows(const CListItem& item);

// The rows of the report a double click opens (CJobList::ReportForRow): the error
// report (ReportSaysTest decides its wording from bTestOptionNow) or the clean-up
// report; none for EReport::None. nErrorLines as for ErrorReportRows.
std::vector<CReportRow> ReportRows(const CListItem& item, CJobList::EReport report, bool bTestOptionNow,
                                   int nErrorLines = -1);
