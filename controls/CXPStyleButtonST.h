#pragma once
// A CButtonST drawn by the desktop's widget style when a CThemeHelperST is
// attached and the program is themed: the parent's background first, then
// the style's push button (or, for flat buttons, a tool-bar panel while hot
// or pressed) in the state disabled, pressed, hot, defaulted or normal, with
// no border of its own. Without a theme it looks like a plain CButtonST.

#include "controls/CButtonST.h"

class CThemeHelperST;

class CXPStyleButtonST : public CButtonST {
    Q_OBJECT
public:
    explicit CXPStyleButtonST(QWidget* pParent = nullptr);
    explicit CXPStyleButtonST(const QString& strText, QWidget* pParent = nullptr);

    // The helper is not owned; it must outlive the button (dialogs share one).
    void SetThemeHelper(CThemeHelperST* pTheme);
    CThemeHelperST* ThemeHelper() const { return m_pTheme; }
    void SetFlatLook(bool bFlat);
    bool IsFlatLook() const { return m_bFlat; }
    // True when the next paint uses the theme.
    bool IsThemed() const;
    // The theme state the button is drawn in now (CThemeHelperST::EState).
    int ThemeState() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CThemeHelperST* m_pTheme = nullptr;
    bool m_bFlat = false;
};
