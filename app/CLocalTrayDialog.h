#pragma once
// A dialog that can hide itself in the notification area: minimising hides the
// window and shows the tray icon (where the desktop has a tray; elsewhere the
// window minimises normally). The tray menu holds "Show" and "Exit"; a double
// click restores the window. While bStartInTray is set every show is turned into
// the tray icon, unless there is no tray (then the window is shown).
// The window uses this local base until the shared one of controls/ is available.

#include <QDialog>
#include <QSystemTrayIcon>

class QMenu;
class QAction;

class CLocalTrayDialog : public QDialog {
    Q_OBJECT
public:
    explicit CLocalTrayDialog(QWidget* pParent = nullptr);

    int bStartInTray = 0;

    // True when the desktop offers a tray (tests may say there is none).
    bool HasTray() const;
    void SetTrayAvailableOverride(int nAvailable) { m_nTrayOverride = nAvailable; }
    bool IsHiddenInTray() const { return m_bInTray; }
    QSystemTrayIcon* TrayIcon() { return m_pTray; }
    QAction* TrayShowAction() { return m_pShow; }
    QAction* TrayExitAction() { return m_pExit; }

    // Hides the window and shows the tray icon (minimise). Without a tray the window
    // is minimised to the taskbar.
    void MinimiseToTray();
    // Restores from the tray: the icon goes away, the window comes up, bStartInTray ends.
    void RestoreFromTray();

    void setVisible(bool bVisible) override;

signals:
    void TrayExitRequested();
    void RestoredFromTray();

protected:
    void changeEvent(QEvent* pEvent) override;

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* m_pTray = nullptr;
    QMenu* m_pMenu = nullptr;
    QAction* m_pShow = nullptr;
    QAction* m_pExit = nullptr;
    bool m_bInTray = false;
    int m_nTrayOverride = -1;
};
