#pragma once
// A dialog that can hide itself in the notification area (tray).
//
// - Minimising while minimise-to-tray is on shows the tray icon and hides
//   the window; where the desktop has no tray (HasTray() false) minimising
//   works normally, so the window is never lost.
// - The tray icon's menu holds "Show" (the default entry) and "Exit"; a
//   double click on the icon restores the window. TrayHide always shows the
//   window again.
// - SetStartInTray(true): every attempt to show the window is turned into
//   showing the tray icon, until the window is restored from the tray. On a
//   desktop without a tray the window is shown instead.
//
// Subclasses override OnTrayRestore / OnTrayExit to add their own steps.
// Run the window with show() and the application's event loop, not exec():
// QDialog ends its own exec() loop when it is hidden.

#include <QDialog>
#include <QIcon>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

class CTrayDialog : public QDialog {
    Q_OBJECT
public:
    // Tooltips longer than this are cut.
    static constexpr int TRAY_TIP_MAX = 127;

    explicit CTrayDialog(QWidget* pParent = nullptr, bool bMinimizeToTray = true);
    ~CTrayDialog() override;

    bool HasTray() const;
    void SetMinimizeToTray(bool bOn) { m_bMinimizeToTray = bOn; }
    bool MinimizeToTray() const { return m_bMinimizeToTray; }

    void TraySetIcon(const QIcon& icon);
    void TraySetToolTip(const QString& strTip);
    QString TrayToolTip() const { return m_strTip; }
    QIcon TrayIcon() const { return m_icon; }
    // The tray menu; its first two entries are "Show" and "Exit".
    QMenu* TrayMenu() const { return m_pMenu; }
    QAction* TrayShowAction() const { return m_pShowAction; }
    QAction* TrayExitAction() const { return m_pExitAction; }

    // Shows the icon (when the desktop has a tray).
    void TrayShow();
    // Removes the icon and shows the window.
    void TrayHide();
    // Pushes icon and tooltip to the tray while the icon is shown.
    void TrayUpdate();
    bool TrayIsShown() const { return m_bTrayShown; }
    // Hidden in the tray: the icon is shown and the window is not.
    bool IsHiddenInTray() const { return m_bTrayShown && !isVisible(); }

    // Hides the window in the tray (F9, a minimise request); without a tray
    // the window is minimised instead.
    void MinimizeWindow();

    void SetStartInTray(bool bStartInTray);
    bool StartInTray() const { return m_bStartInTray; }

    void setVisible(bool bVisible) override;

signals:
    void TrayRestored();
    void TrayExitRequested();

protected:
    // "Show" and the double click: the icon goes and the window comes back.
    virtual void OnTrayRestore();
    // "Exit": by default the dialog is closed.
    virtual void OnTrayExit();

    void changeEvent(QEvent* pEvent) override;

private:
    void OnActivated(int nReason);
    void RestoreFromTray();

    QSystemTrayIcon* m_pTray = nullptr;
    QMenu* m_pMenu = nullptr;
    QAction* m_pShowAction = nullptr;
    QAction* m_pExitAction = nullptr;
    QIcon m_icon;
    QString m_strTip;
    bool m_bMinimizeToTray = true;
    bool m_bTrayShown = false;
    bool m_bStartInTray = false;
};
