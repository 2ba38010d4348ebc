#include "controls/CXPStyleButtonST.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "controls/CThemeHelperST.h"

CXPStyleButtonST::CXPStyleButtonST(QWidget* pParent) : CButtonST(pParent) {}

CXPStyleButtonST::CXPStyleButtonST(const QString& strText, QWidget* pParent) : CButtonST(strText, pParent) {}

void CXPStyleButtonST::SetThemeHelper(CThemeHelperST* pTheme) {
    m_pTheme = pTheme;
    update();
}

void CXPStyleButtonST::SetFlatLook(bool bFlat) {
    m_bFlat = bFlat;
    update();
}

bool CXPStyleButtonST::IsThemed() const {
    return m_pTheme != nullptr && m_pTheme->IsAppThemed();
}

int CXPStyleButtonST::ThemeState() const {
    if (!isEnabled()) {
        return CThemeHelperST::PBS_DISABLED;
    }
    if (isDown() || (isCheckable() && isChecked())) {
        return CThemeHelperST::PBS_PRESSED;
    }
    if (IsHover()) {
        return CThemeHelperST::PBS_HOT;
    }
    if (isDefault() || (autoDefault() && hasFocus())) {
        return CThemeHelperST::PBS_DEFAULTED;
    }
    return CThemeHelperST::PBS_NORMAL;
}

void CXPStyleButtonST::paintEvent(QPaintEvent* pEvent) {
    if (!IsThemed()) {
        CButtonST::paintEvent(pEvent);
        return;
    }
    QPainter painter(this);
    m_pTheme->DrawThemeParentBackground(this, painter, rect());
    CThemeHelperST::HTHEME hTheme =
        m_pTheme->OpenThemeData(this, m_bFlat ? QStringLiteral("TOOLBAR") : QStringLiteral("BUTTON"));
    const bool bDrawn = m_pTheme->DrawThemeBackground(hTheme, painter, this, CThemeHelperST::BP_PUSHBUTTON,
                                                      ThemeState(), rect());
    m_pTheme->CloseThemeData(hTheme);
    if (!bDrawn) {
        PaintOwnLook(painter);
        return;
    }
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.icon = CurrentIcon();
    style()->drawControl(QStyle::CE_PushButtonLabel, &opt, &painter, this);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &opt, this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
