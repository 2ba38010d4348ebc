#include "controls/CImageList.h"

#include <QGuiApplication>

#include "controls/CPaintedIconEngine.h"
#include "controls/IconDrawings.h"

const CImageList& CImageList::Instance() {
    static const CImageList list;
    return list;
}

CImageList::CImageList() {
    for (int i = 0; i < ImageIndex::COUNT; ++i) {
        m_arrImages.push_back(CPaintedIconEngine::MakeIcon(IconDrawings::ListImage(i)));
    }
    for (int i = 0; i < MenuIcon::COUNT; ++i) {
        IconDrawing drawing = IconDrawings::MenuCell(i);
        m_arrMenu.push_back(drawing ? CPaintedIconEngine::MakeIcon(std::move(drawing)) : QIcon());
    }
    for (int i = 0; i <= static_cast<int>(ENamedIcon::TrayFailedAndCleanup); ++i) {
        m_arrNamed.push_back(CPaintedIconEngine::MakeIcon(IconDrawings::Named(static_cast<ENamedIcon>(i))));
    }
    for (int i = 0; i < APP_SPIN_STEPS; ++i) {
        m_arrSpin.push_back(CPaintedIconEngine::MakeIcon(IconDrawings::AppSpin(i)));
    }
}

QIcon CImageList::Icon(int nIndex) const {
    if (nIndex < 0 || nIndex >= ImageIndex::COUNT) {
        return QIcon();
    }
    return m_arrImages[static_cast<size_t>(nIndex)];
}

QPixmap CImageList::Pixmap(int nIndex, int nSize) const {
    const qreal dpr = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    return Icon(nIndex).pixmap(QSize(nSize, nSize), dpr);
}

QIcon CImageList::TrayFrame(int nFrame) const {
    if (nFrame < ImageIndex::TRAY_FRAME_FIRST || nFrame > ImageIndex::TRAY_FRAME_LAST) {
        return QIcon();
    }
    return Icon(nFrame);
}

QIcon CImageList::MenuIcon(int nCell) const {
    if (nCell < 0 || nCell >= MenuIcon::COUNT) {
        return QIcon();
    }
    return m_arrMenu[static_cast<size_t>(nCell)];
}

QIcon CImageList::Named(ENamedIcon icon) const {
    const auto nIndex = static_cast<size_t>(icon);
    return nIndex < m_arrNamed.size() ? m_arrNamed[nIndex] : QIcon();
}

QIcon CImageList::AppSpin(int nStep) const {
    if (nStep < 0 || nStep >= APP_SPIN_STEPS) {
        return QIcon();
    }
    return m_arrSpin[static_cast<size_t>(nStep)];
}
