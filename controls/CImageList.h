#pragma once
// The program's icons, drawn by the program itself: the 100-entry image list
// of the job list and the reports (indices in ImageIndices.h), the item
// menu's 48-cell icon strip, and the named icons of buttons, windows and the
// tray. Every icon is painted as vectors on a 16-unit grid, so it is crisp at
// 16 px and at any size or device pixel ratio asked for (HiDPI screens get
// pixmaps painted at their own resolution, never scaled bitmaps).
//
// Threads: GUI thread only (QIcon and QPixmap). The list is built on first
// use of Instance() and lives to the end of the program.

#include <QIcon>
#include <QPixmap>
#include <vector>

#include "controls/ImageIndices.h"

class CImageList {
public:
    static const CImageList& Instance();

    int Count() const { return ImageIndex::COUNT; }
    // Image nIndex (0..99); a null icon outside that range.
    QIcon Icon(int nIndex) const;
    // Image nIndex at nSize x nSize logical pixels, painted for the
    // application's device pixel ratio (the pixmap carries that ratio).
    QPixmap Pixmap(int nIndex, int nSize) const;

    // Tray animation frame nFrame (ImageIndex::TRAY_FRAME_FIRST..LAST).
    QIcon TrayFrame(int nFrame) const;
    // Item menu icon cell nCell (0..47); null for -1 and for unused cells.
    QIcon MenuIcon(int nCell) const;
    QIcon Named(ENamedIcon icon) const;
    // The program icon's spin animation, step 0..APP_SPIN_STEPS-1.
    QIcon AppSpin(int nStep) const;

private:
    CImageList();

    std::vector<QIcon> m_arrImages;
    std::vector<QIcon> m_arrMenu;
    std::vector<QIcon> m_arrNamed;
    std::vector<QIcon> m_arrSpin;
};
