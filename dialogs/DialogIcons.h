#pragma once
// The images the dialogs show: entries of the program's image list (row images, preset
// numbers, report headings) and the icons of the dialogs' push buttons and windows. Drawn
// here until the shared image list of controls/ takes over; GUI thread only.

#include <QIcon>

namespace DialogIcons {

// Image nIndex of the program's 100-entry image list.
QIcon ListImage(int nIndex);

enum class EButton { New, Edit, Delete, Up, Down, Close, Save, Ok, Cancel, Apply };
QIcon ButtonIcon(EButton button);

enum class EWindow { Program, Presets, Preferences, Help, Changelog, ErrorReport, CleanupReport };
QIcon WindowIcon(EWindow window);

}  // namespace DialogIcons
