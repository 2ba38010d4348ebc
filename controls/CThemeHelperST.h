#pragma once
// The themed look of buttons, over Qt's current widget style (the "visual
// styles" of this desktop). The five operations keep their roles: open and
// close the theme data of a class ("BUTTON", "TOOLBAR"), draw a part's
// background in a state, draw the parent's background, and tell whether the
// program is themed. Without a style (no QApplication, or theming switched
// off with HARVEX_NO_THEME=1 in the environment, or SetThemed(false)) every
// operation reports failure and the buttons fall back to their own look.

#include <QString>

class QPainter;
class QRect;
class QStyle;
class QWidget;

class CThemeHelperST {
public:
    // Parts and states as the theme classes name them.
    enum EPart { BP_PUSHBUTTON = 1 };
    enum EState { PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5 };

    // A handle to one class's theme data; null when none.
    struct CTheme {
        QStyle* pStyle = nullptr;
        QString strClass;
    };
    using HTHEME = CTheme*;

    CThemeHelperST();
    ~CThemeHelperST() = default;
    CThemeHelperST(const CThemeHelperST&) = delete;
    CThemeHelperST& operator=(const CThemeHelperST&) = delete;

    // Switches theming on or off for every button that uses this helper
    // (off: as on a desktop without visual styles).
    void SetThemed(bool bThemed) { m_bLoaded = bThemed; }

    HTHEME OpenThemeData(QWidget* pWidget, const QString& strClassList) const;
    bool CloseThemeData(HTHEME hTheme) const;
    bool DrawThemeBackground(HTHEME hTheme, QPainter& painter, QWidget* pWidget, int nPart, int nState,
                             const QRect& rect) const;
    bool DrawThemeParentBackground(QWidget* pWidget, QPainter& painter, const QRect& rect) const;
    bool IsAppThemed() const;

private:
    bool m_bLoaded = false;
};
