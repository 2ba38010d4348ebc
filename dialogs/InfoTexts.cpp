#include "dialogs/InfoTexts.h"

#include <initializer_list>

#include "engine/CItemStates.h"
#include "platform/Version.h"

namespace InfoTexts {
namespace {

void Lines(std::string& strText, std::initializer_list<std::string> arrLines) {
    for (const std::string& strLine : arrLines)
        strText += strLine + "\r\n";
}

// A heading, its underline of "- " pairs, and the section's lines; two empty lines after.
void Section(std::string& strText, const std::string& strHeading,
             std::initializer_list<std::string> arrLines) {
    std::string strUnderline;
    for (std::size_t i = 0; i < (strHeading.size() + 1) / 2; ++i)
        strUnderline += "- ";
    Lines(strText, {strHeading, strUnderline});
    Lines(strText, arrLines);
    Lines(strText, {"", ""});
}

std::string Quoted(const char* pszText) {
    return std::string("\"") + pszText + "\"";
}

}  // namespace

std::string HelpText() {
    using namespace ItemStates;
    std::string strText;
    Lines(strText,
          {std::string(HARVEX_TITLE_TEXT) + ":", "",
           "Extracts or tests any number of zip and/or rar files in one go.",
           "Output folder for extraction can be set individually.", "Deletes processed files and folders.",
           "Reports errors occured during either extraction or clean up.", "", ""});
    Section(strText, "Basic usage:",
            {"1. Drag and drop from your file manager (or use \"Add files\" / \"Add folder\"):",
             "     - folders containing zip and/or rar files", "     - zip files",
             "     - any rar file (but only ONE from the same rar set)",
             "2. Right click on dropped item to set output folder.", "3. Choose desired options.",
             "4. Press Go!"});
    Section(strText, "Presets:",
            {"Press the \"Presets\" button to create, edit, order and delete presets.",
             "A preset is a named set of options with its own output folder.",
             "Right click on an item and choose \"Set preset\" to let it use a preset.",
             "- A maximum of 20 presets can be created.",
             "When \"Integrate Harvex into shell\" is set under \"Preferences\", presets can be",
             "run straight from the file manager's context menu."});
    Section(strText, "Results:",
            {std::string("1. Icon: Green checkmark\t") + Quoted("OK (time of process)"),
             "   - Everything completed successfully.",
             std::string("2. Icon: Sweep\t\t") + Quoted(RESULT_CLEANUP_FAILED),
             "   - Extraction completed successfully but could not delete all files and folders.",
             "   - Double click on this item in the list to get a clean up report.",
             "   - Can only occur if Clean up is checked.",
             std::string("3. Icon: Red X\t\t") + Quoted(RESULT_FAILED), "   - Extraction failed.",
             "   - Double click on this item in the list to get a error report.",
             std::string("4. Icon: Grey folder\t\t") + Quoted(NOTHING_TO_EXTRACT),
             "   - Couldn't find any rar or zip files to extract."});
    Section(strText, "Clean up:",
            {"Clean up will only occur if extraction completes successfully.",
             "What's deleted depends on what type of item was processed.",
             "Rar and zip files will always be deleted.",
             "If processed item was a folder, the following can also be deleted:",
             "   - movie/tv samples in a \"sample\" folder", "   - jpg files in a \"covers\" folder",
             "   - sfv files", "   - nfo files", "   - diz files", "   - empty folders",
             "Symbolic links and anything inside the output folder are never deleted.",
             "All other files won't be deleted and will show up in the clean up report,",
             "where you will have the option to delete all remaining files and folders."});
    Section(strText, "Keyboard commands:",
            {"F9\tminimize to tray (the only command that works while processing).", "Esc\texit.",
             "Delete\tdeletes selected item(s) from list.",
             "Ctrl+T\tmoves selected item(s) to the top of the list.",
             "Ctrl+B\tmoves selected item(s) to the bottom of the list.",
             "Ctrl+U\tmoves selected item(s) one step up in the list.",
             "Ctrl+D\tmoves selected item(s) one step down in the list.", "Ctrl+S\tskip selected item(s).",
             "Ctrl+R\tresets selected items(s).", "Ctrl+A\tselects all items in list."});
    return strText;
}

std::string Changelog() {
    std::string strText;
    Lines(strText,
          {"Changelog:", "", std::string(HARVEX_TITLE_TEXT),
           " - First release for Linux desktops, built with Qt 6.",
           " - RAR sets are extracted by Harvex's own console program (libarchive inside),",
           "   encrypted RAR archives included; ZIP files by its own unzip library.",
           " - Settings and presets are kept in ~/.config/harvex.",
           " - The file manager's context menu can start Harvex with a preset.",
           " - Items keep their preset when presets are moved or deleted.",
           " - The update check compares version numbers part by part.",
           " - \"Delete remaining\" deletes only inside the item's input folder, never through a link."});
    return strText;
}

}  // namespace InfoTexts
