#pragma once
// The images the dialogs show, by role: entries of the program's image list (row images,
// preset numbers, report rows) and the icons of the dialogs' buttons and windows, all from
// the shared CImageList of controls/. GUI thread only.

#include <QIcon>

namespace DialogIcons {

// Image nIndex of the program's 100-entry image list.
QIcon ListImage(int nIndex);

enum class EButton { New, Edit, Delete, Up, Down, Close, Save, Ok, Cancel, Apply };
QIcon ButtonIcon(EButton button);

enum class EWindow { Program, Presets, Preferences, Help, Changelog, ErrorReport, CleanupReport };
QIcon WindowIcon(EWindow window);

}  // namespace DialogIcons

class QPushButton;
class QString;
class QWidget;

namespace DialogIcons {

// A push button in the program's own look: themed when the desktop allows, its icon shown
// darker until the pointer is over it. All dialogs share one theme helper.
QPushButton* ThemedButton(const QString& strText, const QIcon& icon, QWidget* pParent);

}  // namespace DialogIcons
