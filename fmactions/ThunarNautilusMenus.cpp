// Thunar custom actions and Nautilus scripts.

#include <set>

#include "fmactions/FileManagerMenus.h"
#include "fmactions/MenuText.h"

const char* const NAUTILUS_MARKER_LINE =
    "# Made by harvex-fmactions from the Harvex settings; rewritten when they change.";

namespace {

// Thunar runs the command with /bin/sh -c after putting every path of %F in
// single quotes itself (g_shell_quote). Our own words are single-quoted too,
// so that the selector's '?' is no glob; "%%" is Thunar's literal '%'.
std::string ThunarCommand(const CMenuEntry& entry) {
    std::string command = ShellQuote(HARVEX_PROGRAM);
    if (!entry.strSelector.empty())
        command += " " + ShellQuote(entry.strSelector);
    return command + " %F";
}

std::string ThunarAction(const CMenuModel& model, const CMenuEntry& entry, size_t index, bool folders) {
    std::string patterns;
    if (folders) {
        patterns = "*";
    } else {
        for (const std::string& extension : ArchiveExtensions())
            patterns += (patterns.empty() ? "*." : ";*.") + extension;
    }
    std::string text = "<action>\n";
    text += "\t<icon>" + std::string(model.bIconsInContext ? HARVEX_ICON : "") + "</icon>\n";
    text += "\t<name>" + XmlEscape(EntryLabel(entry, model.bSubmenuInContext)) + "</name>\n";
    // <submenu> is known from Thunar 4.18 on; flat entries leave it out.
    if (model.bSubmenuInContext)
        text += "\t<submenu>" + std::string(SUBMENU_TITLE) + "</submenu>\n";
    text += "\t<unique-id>" + std::string(THUNAR_ID_PREFIX) + (folders ? "folders-" : "archives-") +
            std::to_string(index) + "</unique-id>\n";
    text += "\t<command>" + XmlEscape(ThunarCommand(entry)) + "</command>\n";
    text += "\t<description>" + XmlEscape(EntryDescription(entry)) + "</description>\n";
    text += "\t<patterns>" + XmlEscape(patterns) + "</patterns>\n";
    if (folders)
        text += "\t<directories/>\n";
    else
        text += "\t<audio-files/>\n\t<image-files/>\n\t<other-files/>\n\t<text-files/>\n\t<video-files/>\n";
    return text + "</action>\n";
}

// A script's file name is its menu label: no '/', not hidden (Nautilus leaves
// out names beginning with '.'), unique within its folder.
std::string ScriptName(const std::string& label, std::set<std::string>& taken) {
    std::string name;
    for (char c : label)
        name += c == '/' ? '-' : c;
    while (!name.empty() && name[0] == '.')
        name.erase(0, 1);
    if (name.empty())
        name = "Preset";
    std::string unique = name;
    for (int n = 2; taken.count(unique); ++n)
        unique = name + " (" + std::to_string(n) + ")";
    taken.insert(unique);
    return unique;
}

// Nautilus runs a script with the viewed folder as the current folder and the
// selected files as arguments (g_shell_quote'd, then split by GLib again, so
// each arrives whole), names relative to that folder. The script makes them
// absolute, so that no name is read as a preset selector or an option, and
// hands them on as "$@". NAUTILUS_SCRIPT_SELECTED_FILE_PATHS is not used: it
// separates the paths with newlines, which names may contain.
std::string NautilusScript(const CMenuEntry& entry) {
    std::string script = "#!/bin/sh\n";
    script += std::string(NAUTILUS_MARKER_LINE) + "\n";
    script +=
        "for name do\n"
        "    shift\n"
        "    case $name in\n"
        "    /*) set -- \"$@\" \"$name\" ;;\n"
        "    *) case $PWD in\n"
        "       /) set -- \"$@\" \"/$name\" ;;\n"
        "       *) set -- \"$@\" \"$PWD/$name\" ;;\n"
        "       esac ;;\n"
        "    esac\n"
        "done\n";
    script += "exec " + ShellQuote(HARVEX_PROGRAM);
    if (!entry.strSelector.empty())
        script += " " + ShellQuote(entry.strSelector);
    return script + " \"$@\"\n";
}

}  // namespace

std::string MakeThunarActions(const CMenuModel& model) {
    std::string text;
    for (size_t i = 0; i < model.arrEntries.size(); ++i) {
        text += ThunarAction(model, model.arrEntries[i], i, true);
        text += ThunarAction(model, model.arrEntries[i], i, false);
    }
    return text;
}

std::vector<CMenuFile> MakeNautilusScripts(const CMenuModel& model) {
    std::vector<CMenuFile> files;
    std::set<std::string> taken;
    const std::string folder = model.bSubmenuInContext ? std::string(SUBMENU_TITLE) + "/" : "";
    for (const CMenuEntry& entry : model.arrEntries) {
        const std::string name = ScriptName(EntryLabel(entry, model.bSubmenuInContext), taken);
        files.push_back({folder + name, NautilusScript(entry)});
    }
    return files;
}
