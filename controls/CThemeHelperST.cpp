#include "controls/CThemeHelperST.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

CThemeHelperST::CThemeHelperST() {
    m_bLoaded = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
                qEnvironmentVariableIntValue("HARVEX_NO_THEME") == 0;
}

bool CThemeHelperST::IsAppThemed() const {
    return m_bLoaded && QApplication::style() != nullptr;
}

CThemeHelperST::HTHEME CThemeHelperST::OpenThemeData(QWidget* pWidget, const QString& strClassList) const {
    if (!IsAppThemed()) {
        return nullptr;
    }
    auto* pTheme = new CTheme;
    pTheme->pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    pTheme->strClass = strClassList.toUpper();
    return pTheme;
}

bool CThemeHelperST::CloseThemeData(HTHEME hTheme) const {
    if (hTheme == nullptr) {
        return false;
    }
    delete hTheme;
    return true;
}

bool CThemeHelperST::DrawThemeBackground(HTHEME hTheme, QPainter& painter, QWidget* pWidget, int nPart,
                                         int nState, const QRect& rect) const {
    if (!IsAppThemed() || hTheme == nullptr || hTheme->pStyle == nullptr || nPart != BP_PUSHBUTTON) {
        return false;
    }
    QStyleOptionButton opt;
    if (pWidget != nullptr) {
        opt.initFrom(pWidget);
    }
    opt.rect = rect;
    opt.state &= ~(QStyle::State_Sunken | QStyle::State_MouseOver | QStyle::State_Enabled);
    switch (nState) {
        case PBS_DISABLED:
            break;
        case PBS_PRESSED:
            opt.state |= QStyle::State_Enabled | QStyle::State_Sunken;
            break;
        case PBS_HOT:
            opt.state |= QStyle::State_Enabled | QStyle::State_MouseOver;
            break;
        case PBS_DEFAULTED:
            opt.state |= QStyle::State_Enabled;
            opt.features |= QStyleOptionButton::DefaultButton;
            break;
        default:
            opt.state |= QStyle::State_Enabled;
            break;
    }
    if (hTheme->strClass == QLatin1String("TOOLBAR")) {
        // A flat button shows a panel only while hot or pressed.
        if (nState == PBS_HOT || nState == PBS_PRESSED) {
            opt.state |= QStyle::State_Raised;
            hTheme->pStyle->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, &painter, pWidget);
        }
        return true;
    }
    hTheme->pStyle->drawControl(QStyle::CE_PushButtonBevel, &opt, &painter, pWidget);
    return true;
}

bool CThemeHelperST::DrawThemeParentBackground(QWidget* pWidget, QPainter& painter, const QRect& rect) const {
    if (!IsAppThemed() || pWidget == nullptr) {
        return false;
    }
    const QWidget* pParent = pWidget->parentWidget();
    const QPalette pal = pParent != nullptr ? pParent->palette() : pWidget->palette();
    painter.fillRect(rect, pal.brush(pParent != nullptr ? pParent->backgroundRole() : QPalette::Window));
    return true;
}
