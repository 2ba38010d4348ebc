// KDE service menu (Dolphin) and Nemo actions.

#include "fmactions/FileManagerMenus.h"
#include "fmactions/MenuText.h"

namespace {

std::string ZeroPadded(size_t n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// Dolphin: harvex "?PresetN?" %F. KIO expands %F into one argument per local
// path; the selector is quoted by the desktop-entry Exec rules.
std::string DolphinExec(const CMenuEntry& entry) {
    std::string exec = HARVEX_PROGRAM;
    if (!entry.strSelector.empty())
        exec += " " + DesktopExecArgument(entry.strSelector);
    return exec + " %F";
}

// Nemo inserts every path of %F in single quotes (a ' as '\'') with Quote=single
// and splits the line with g_shell_parse_argv; no shell is involved.
std::string NemoExec(const CMenuEntry& entry) {
    std::string exec = HARVEX_PROGRAM;
    if (!entry.strSelector.empty())
        exec += " " + ShellQuote(entry.strSelector);
    return exec + " %F";
}

// Nemo expands tokens (%F, %N, %f ...) in labels and tooltips and reads '_'
// in a label as a mnemonic: a '%' of a name is written as "%%", a label's '_'
// as "__".
std::string NemoText(const std::string& text, bool label) {
    std::string escaped;
    for (char c : text) {
        if (c == '%')
            escaped += "%%";
        else if (c == '_' && label)
            escaped += "__";
        else
            escaped += c;
    }
    return escaped;
}

// Qt reads '&' in an action's text as the accelerator mark; "&&" is one '&'.
std::string DolphinLabel(const std::string& label) {
    std::string escaped;
    for (char c : label)
        escaped += c == '&' ? std::string("&&") : std::string(1, c);
    return escaped;
}

}  // namespace

std::vector<std::string> ArchiveExtensions() {
    std::vector<std::string> extensions = {"rar", "zip", "RAR", "ZIP"};
    for (const char* prefix : {"r", "R"}) {
        for (int n = 0; n < 100; ++n)
            extensions.push_back(prefix + ZeroPadded(static_cast<size_t>(n)));
    }
    return extensions;
}

std::string MakeDolphinServiceMenu(const CMenuModel& model) {
    if (model.arrEntries.empty())
        return {};
    std::string actions;
    for (size_t i = 0; i < model.arrEntries.size(); ++i)
        actions += "harvex" + ZeroPadded(i) + ";";
    std::string text =
        "[Desktop Entry]\n"
        "# Made by harvex-fmactions from the Harvex settings; rewritten when they change.\n"
        "Type=Service\n"
        "ServiceTypes=KonqPopupMenu/Plugin\n"
        "MimeType=inode/directory;application/vnd.rar;application/x-rar;application/x-rar-compressed;"
        "application/zip;application/x-zip-compressed;\n"
        "X-KDE-Protocols=file\n"
        "X-KDE-Priority=TopLevel\n"
        "X-KDE-StartupNotify=false\n"
        "Actions=" +
        actions + "\n";
    if (model.bSubmenuInContext)
        text += std::string("X-KDE-Submenu=") + SUBMENU_TITLE + "\n";
    if (model.bSubmenuInContext && model.bIconsInContext)
        text += std::string("Icon=") + HARVEX_ICON + "\n";
    for (size_t i = 0; i < model.arrEntries.size(); ++i) {
        const CMenuEntry& entry = model.arrEntries[i];
        text += "\n[Desktop Action harvex" + ZeroPadded(i) + "]\n";
        text += "Name=" + KeyFileValue(DolphinLabel(EntryLabel(entry, model.bSubmenuInContext))) + "\n";
        if (model.bIconsInContext)
            text += std::string("Icon=") + HARVEX_ICON + "\n";
        text += "Exec=" + KeyFileValue(DolphinExec(entry)) + "\n";
    }
    return text;
}

std::vector<CMenuFile> MakeNemoActions(const CMenuModel& model) {
    std::string extensions = "dir;";
    for (const std::string& extension : ArchiveExtensions())
        extensions += extension + ";";
    std::vector<CMenuFile> files;
    for (size_t i = 0; i < model.arrEntries.size(); ++i) {
        const CMenuEntry& entry = model.arrEntries[i];
        std::string text =
            "[Nemo Action]\n"
            "# Made by harvex-fmactions from the Harvex settings; rewritten when they change.\n"
            "Active=true\n";
        text += "Name=" + KeyFileValue(NemoText(EntryLabel(entry, false), true)) + "\n";
        text += "Comment=" + KeyFileValue(NemoText(EntryDescription(entry), false)) + "\n";
        text += "Exec=" + KeyFileValue(NemoExec(entry)) + "\n";
        if (model.bIconsInContext)
            text += std::string("Icon-Name=") + HARVEX_ICON + "\n";
        text += "Selection=notnone\n";
        text += "Extensions=" + extensions + "\n";
        text += "Quote=single\n";
        text += std::string("Dependencies=") + HARVEX_PROGRAM + ";\n";
        files.push_back({"harvex-" + ZeroPadded(i) + ".nemo_action", text});
    }
    return files;
}
