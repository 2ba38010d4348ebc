#include "controls/CButtonST.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "controls/TooltipText.h"

CButtonST::CButtonST(QWidget* pParent) : QPushButton(pParent) {
    Init();
}

CButtonST::CButtonST(const QString& strText, QWidget* pParent) : QPushButton(strText, pParent) {
    Init();
}

void CButtonST::Init() {
    setMouseTracking(true);
    setIconSize(QSize(16, 16));
    SetDefaultColours();
}

void CButtonST::SetIcon(const QIcon& hoverIcon, IconTransforms::ECopy copy) {
    SetIcons(hoverIcon, IconTransforms::Transformed(hoverIcon, copy));
}

void CButtonST::SetIcons(const QIcon& hoverIcon, const QIcon& normalIcon) {
    m_hoverIcon = hoverIcon;
    m_normalIcon = normalIcon;
    ApplyCurrentIcon();
}

void CButtonST::SetBitmaps(const QPixmap& hover, const QColor& hoverTransparent, const QPixmap& normal,
                           const QColor& normalTransparent) {
    auto masked = [](const QPixmap& pm, const QColor& transparent) {
        QPixmap out = pm;
        if (transparent.isValid()) {
            out.setMask(pm.createMaskFromColor(transparent, Qt::MaskInColor));
        }
        return out;
    };
    QPixmap normalSource = normal;
    QColor normalKey = normalTransparent;
    if (normalSource.isNull()) {
        QImage darker =
            IconTransforms::Transformed(hover.toImage(), IconTransforms::ECopy::Darker, hoverTransparent);
        normalSource = QPixmap::fromImage(darker);
        normalKey = hoverTransparent;
    }
    SetIcons(QIcon(masked(hover, hoverTransparent)), QIcon(masked(normalSource, normalKey)));
}

void CButtonST::SetColour(EColour which, const QColor& colour) {
    if (which < 0 || which >= BTNST_MAX_COLORS) {
        return;
    }
    m_arrColours[which] = colour;
    m_bDefaultColours = false;
    update();
}

void CButtonST::SetDefaultColours() {
    const QPalette pal = QApplication::palette(this);
    for (int i = 0; i < BTNST_MAX_COLORS; i += 2) {
        m_arrColours[i] = pal.color(QPalette::Button);
        m_arrColours[i + 1] = pal.color(QPalette::ButtonText);
    }
    m_bDefaultColours = true;
    update();
}

void CButtonST::SetTooltipText(const QString& strText, bool bActivate) {
    setToolTip(TooltipText::Wrapped(strText, TooltipText::MAX_WIDTH));
    m_bTooltipActive = bActivate;
}

void CButtonST::ActivateTooltip(bool bActivate) {
    m_bTooltipActive = bActivate;
}

void CButtonST::SetCheckBox(bool bCheckBox) {
    setCheckable(bCheckBox);
    update();
}

CButtonST::ELook CButtonST::Look() const {
    if (m_bHover) {
        return ELook::Hover;
    }
    return hasFocus() ? ELook::Focus : ELook::Normal;
}

QColor CButtonST::CurrentBackground() const {
    switch (Look()) {
        case ELook::Hover:
            return m_arrColours[BTNST_COLOR_BK_IN];
        case ELook::Focus:
            return m_arrColours[BTNST_COLOR_BK_FOCUS];
        default:
            return m_arrColours[BTNST_COLOR_BK_OUT];
    }
}

QColor CButtonST::CurrentText() const {
    switch (Look()) {
        case ELook::Hover:
            return m_arrColours[BTNST_COLOR_FG_IN];
        case ELook::Focus:
            return m_arrColours[BTNST_COLOR_FG_FOCUS];
        default:
            return m_arrColours[BTNST_COLOR_FG_OUT];
    }
}

bool CButtonST::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip && !m_bTooltipActive) {
        pEvent->ignore();
        return true;
    }
    return QPushButton::event(pEvent);
}

void CButtonST::TrackHover(bool bInside) {
    // Only a program that has the active window shows hover looks, so a
    // button in a background window keeps its normal look.
    const bool bHover = bInside && isEnabled() && (m_bAlwaysTrack || QApplication::activeWindow() != nullptr);
    if (bHover == m_bHover) {
        return;
    }
    m_bHover = bHover;
    ApplyCurrentIcon();
    update();
    emit HoverChanged(m_bHover);
}

void CButtonST::enterEvent(QEnterEvent* pEvent) {
    TrackHover(rect().contains(pEvent->position().toPoint()));
    QPushButton::enterEvent(pEvent);
}

void CButtonST::leaveEvent(QEvent* pEvent) {
    TrackHover(false);
    QPushButton::leaveEvent(pEvent);
}

void CButtonST::mouseMoveEvent(QMouseEvent* pEvent) {
    TrackHover(rect().contains(pEvent->position().toPoint()));
    QPushButton::mouseMoveEvent(pEvent);
}

void CButtonST::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::PaletteChange && m_bDefaultColours) {
        const QPalette pal = palette();
        for (int i = 0; i < BTNST_MAX_COLORS; i += 2) {
            m_arrColours[i] = pal.color(QPalette::Button);
            m_arrColours[i + 1] = pal.color(QPalette::ButtonText);
        }
    }
    if (pEvent->type() == QEvent::EnabledChange && !isEnabled()) {
        TrackHover(false);
    }
    QPushButton::changeEvent(pEvent);
}

void CButtonST::ApplyCurrentIcon() {
    // QPushButton keeps one icon; the look decides which one it is.
    QPushButton::setIcon(CurrentIcon());
}

void CButtonST::PaintOwnLook(QPainter& painter) {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.icon = CurrentIcon();
    const QColor bk = CurrentBackground();
    const QColor fg = CurrentText();
    opt.palette.setColor(QPalette::Button, bk);
    opt.palette.setColor(QPalette::Window, bk);
    opt.palette.setColor(QPalette::ButtonText, fg);
    if (isCheckable() && isChecked()) {
        opt.state |= QStyle::State_On | QStyle::State_Sunken;
    }
    style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &painter, this);
    // Own colours win over the style's gradient: the face is filled inside
    // the bevel's frame unless the button is pressed.
    if (!m_bDefaultColours && !(opt.state & QStyle::State_Sunken)) {
        const QRect face = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        painter.fillRect(face, bk);
    }
    style()->drawControl(QStyle::CE_PushButtonLabel, &opt, &painter, this);
}

void CButtonST::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    PaintOwnLook(painter);
}
