#pragma once
// The program's version, in one place: the window title, every program's --version and the
// update check's comparison read it from here.

#define HARVEX_VERSION_TEXT "1.4.3.2"

// "Harvex 1.4.3.2", the main window's title.
#define HARVEX_TITLE_TEXT "Harvex " HARVEX_VERSION_TEXT
