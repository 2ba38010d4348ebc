#pragma once
// The program's images, drawn by the program itself: the 100-entry list of row
// images (index meanings in engine/CItemStates.h), the tray frames and summary
// icons, and the item menu's icon strip. A small local set that the window uses
// until the shared image list of controls/ is available.

#include <QIcon>

class CLocalImageList {
public:
    static constexpr int IMAGE_COUNT = 100;
    static constexpr int MENU_ICON_COUNT = 48;

    // Row image nIndex (0..99); an index outside the list answers a null icon.
    static QIcon Icon(int nIndex);
    // Tray frame 11..20 (the processing animation).
    static QIcon TrayFrame(int nFrame);
    // The tray summary icons: 0 idle, 1 failed, 2 failed with clean-up failures,
    // 3 clean-up failed, 4 all completed OK.
    static QIcon TraySummary(int nKind);
    // Cell nIndex of the menu's icon strip (0..47); -1 answers a null icon.
    static QIcon MenuIcon(int nIndex);
    // The program icon and the small-icon animation of Ctrl+X (counter 2..27).
    static QIcon ProgramIcon();
    static QIcon AnimationIcon(int nCounter);
};
