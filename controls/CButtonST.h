#pragma once
// A push button with a look of its own: an icon for the hover look and one
// for the normal look (by default the darker copy of the hover icon), six
// colours (background and text for hover, normal and focused), an optional
// check-box mode (a click toggles the tick), cursor and tooltip.
//
// Hover: the button takes the hover look when the pointer is over it and
// the program has an active window (unless SetAlwaysTrack(true)); leaving
// restores the normal look. A double click counts as a second click.

#include <QColor>
#include <QIcon>
#include <QPushButton>

#include "controls/IconTransforms.h"

class CButtonST : public QPushButton {
    Q_OBJECT
public:
    enum EColour {
        BTNST_COLOR_BK_IN = 0,  // background, hover look
        BTNST_COLOR_FG_IN,      // text, hover look
        BTNST_COLOR_BK_OUT,     // background, normal look
        BTNST_COLOR_FG_OUT,     // text, normal look
        BTNST_COLOR_BK_FOCUS,   // background, focused look
        BTNST_COLOR_FG_FOCUS,   // text, focused look
        BTNST_MAX_COLORS
    };
    enum class ELook { Normal, Hover, Focus };

    explicit CButtonST(QWidget* pParent = nullptr);
    explicit CButtonST(const QString& strText, QWidget* pParent = nullptr);

    // The hover icon; the normal look shows its darker (or grey) copy.
    void SetIcon(const QIcon& hoverIcon, IconTransforms::ECopy copy = IconTransforms::ECopy::Darker);
    // Hover and normal icon given separately.
    void SetIcons(const QIcon& hoverIcon, const QIcon& normalIcon);
    // Bitmaps with a transparent colour each; without a normal bitmap its
    // darker copy (transparent colour unchanged) is used.
    void SetBitmaps(const QPixmap& hover, const QColor& hoverTransparent, const QPixmap& normal = QPixmap(),
                    const QColor& normalTransparent = QColor());
    QIcon HoverIcon() const { return m_hoverIcon; }
    QIcon NormalIcon() const { return m_normalIcon; }

    void SetColour(EColour which, const QColor& colour);
    QColor Colour(EColour which) const { return m_arrColours[which]; }
    // The system's button face and button text for all three looks; they
    // follow the palette when the system colours change.
    void SetDefaultColours();

    void SetTooltipText(const QString& strText, bool bActivate = true);
    void ActivateTooltip(bool bActivate);
    bool IsTooltipActive() const { return m_bTooltipActive; }

    // Check-box mode: a click toggles the tick.
    void SetCheckBox(bool bCheckBox);
    bool IsCheckBox() const { return isCheckable(); }
    void SetCheck(bool bChecked) { setChecked(bChecked); }
    bool GetCheck() const { return isChecked(); }

    void SetBtnCursor(const QCursor& cursor) { setCursor(cursor); }
    // Take the hover look even when the program has no active window.
    void SetAlwaysTrack(bool bAlways) { m_bAlwaysTrack = bAlways; }

    bool IsHover() const { return m_bHover; }
    ELook Look() const;
    // The icon and colours of the current look.
    QIcon CurrentIcon() const { return m_bHover ? m_hoverIcon : m_normalIcon; }
    QColor CurrentBackground() const;
    QColor CurrentText() const;

signals:
    void HoverChanged(bool bHover);

protected:
    bool event(QEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

    // Draws the button in its CButtonST look (used by the themed subclass
    // when no theme is available).
    void PaintOwnLook(QPainter& painter);

private:
    void Init();
    void TrackHover(bool bInside);
    void ApplyCurrentIcon();

    QIcon m_hoverIcon;
    QIcon m_normalIcon;
    QColor m_arrColours[BTNST_MAX_COLORS];
    bool m_bDefaultColours = true;
    bool m_bTooltipActive = true;
    bool m_bAlwaysTrack = false;
    bool m_bHover = false;
};
