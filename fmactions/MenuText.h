#pragma once
// Texts of the generated menu definitions: labels made safe for every format,
// and the quoting each file manager's own parser undoes. Pure functions.

#include <string>

#include "fmactions/CMenuModel.h"

// The program the entries start, looked up on PATH by the file manager.
inline constexpr const char* HARVEX_PROGRAM = "harvex";
inline constexpr const char* HARVEX_ICON = "harvex";
inline constexpr const char* SUBMENU_TITLE = "Harvex";

// A label as valid UTF-8 (each byte of a broken sequence becomes U+FFFD) with
// control characters as blanks: key files and XML refuse anything else, and a
// refused definition would hide the user's own actions too (Thunar's uca.xml).
std::string CleanLabel(const std::string& text);

// What an entry shows: in a submenu the preset's name alone; at the top level
// "Harvex: <name>", so that a preset is recognisable among foreign entries.
std::string EntryLabel(const CMenuEntry& entry, bool inSubmenu);

// The tooltip / description of an entry.
std::string EntryDescription(const CMenuEntry& entry);

// A value of a desktop entry or key file (\s for a leading blank, \n, \t, \r, \\).
std::string KeyFileValue(const std::string& text);

// One argument of a desktop entry's Exec key, quoted as the desktop-entry Exec
// rules require when it holds a reserved character ("?" is one).
std::string DesktopExecArgument(const std::string& argument);

// One word for a POSIX shell or GLib's g_shell_parse_argv: '...' with ' as '\''.
std::string ShellQuote(const std::string& text);

// Text for XML character data and attribute values.
std::string XmlEscape(const std::string& text);
