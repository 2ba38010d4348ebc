#include "app/CLocalTrayDialog.h"

#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWindowStateChangeEvent>

CLocalTrayDialog::CLocalTrayDialog(QWidget* pParent) : QDialog(pParent) {
    m_pTray = new QSystemTrayIcon(this);
    m_pMenu = new QMenu(this);
    m_pShow = m_pMenu->addAction(tr("Show"));
    m_pExit = m_pMenu->addAction(tr("Exit"));
    m_pMenu->setDefaultAction(m_pShow);
    m_pTray->setContextMenu(m_pMenu);
    connect(m_pShow, &QAction::triggered, this, &CLocalTrayDialog::RestoreFromTray);
    connect(m_pExit, &QAction::triggered, this, &CLocalTrayDialog::TrayExitRequested);
    connect(m_pTray, &QSystemTrayIcon::activated, this, &CLocalTrayDialog::OnActivated);
}

bool CLocalTrayDialog::HasTray() const {
    if (m_nTrayOverride >= 0)
        return m_nTrayOverride != 0;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CLocalTrayDialog::setVisible(bool bVisible) {
    if (bVisible && bStartInTray) {
        if (HasTray()) {
            m_bInTray = true;
            m_pTray->show();
            return;
        }
        // Without a tray the window would be unreachable: show it.
        bStartInTray = 0;
    }
    QDialog::setVisible(bVisible);
}

void CLocalTrayDialog::MinimiseToTray() {
    if (!HasTray()) {
        showMinimized();
        return;
    }
    m_bInTray = true;
    m_pTray->show();
    hide();
}

void CLocalTrayDialog::RestoreFromTray() {
    bStartInTray = 0;
    const bool bWasInTray = m_bInTray;
    m_bInTray = false;
    m_pTray->hide();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (bWasInTray)
        emit RestoredFromTray();
}

void CLocalTrayDialog::changeEvent(QEvent* pEvent) {
    if (pEvent->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && HasTray() &&
        isVisible()) {
        // Hiding from inside the state change confuses some window managers: do it next.
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized) {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                MinimiseToTray();
            }
        });
    }
    QDialog::changeEvent(pEvent);
}

void CLocalTrayDialog::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick)
        RestoreFromTray();
}
