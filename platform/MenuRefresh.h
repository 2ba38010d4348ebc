#pragma once
// The file managers' menus are written by harvex-fmactions (its own program,
// next to harvex in bin/). harvex starts it once at its own start, so that the
// menus show the presets and shell settings as they are even where no systemd
// user unit watches the settings file. Started detached: harvex neither waits
// for it nor reads its result. GUI thread.

#include <string>

// Starts <programFolder>/harvex-fmactions; false when it is missing or cannot be started.
bool StartMenuRefresh(const std::string& strProgramFolder);
