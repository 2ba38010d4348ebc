#include "controls/CTrayDialog.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

CTrayDialog::CTrayDialog(QWidget* pParent, bool bMinimizeToTray)
    : QDialog(pParent), m_bMinimizeToTray(bMinimizeToTray) {
    m_pMenu = new QMenu(this);
    m_pShowAction = m_pMenu->addAction(QStringLiteral("Show"));
    m_pExitAction = m_pMenu->addAction(QStringLiteral("Exit"));
    m_pMenu->setDefaultAction(m_pShowAction);
    connect(m_pShowAction, &QAction::triggered, this, [this] { OnTrayRestore(); });
    connect(m_pExitAction, &QAction::triggered, this, [this] { OnTrayExit(); });
    if (HasTray()) {
        m_pTray = new QSystemTrayIcon(this);
        m_pTray->setContextMenu(m_pMenu);
        connect(m_pTray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(static_cast<int>(reason)); });
    }
}

CTrayDialog::~CTrayDialog() {
    if (m_pTray != nullptr) {
        m_pTray->hide();
    }
}

bool CTrayDialog::HasTray() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayDialog::TraySetIcon(const QIcon& icon) {
    m_icon = icon;
    TrayUpdate();
}

void CTrayDialog::TraySetToolTip(const QString& strTip) {
    m_strTip = strTip.left(TRAY_TIP_MAX);
    TrayUpdate();
}

void CTrayDialog::TrayShow() {
    if (m_bTrayShown || m_pTray == nullptr) {
        return;
    }
    m_pTray->setIcon(m_icon);
    m_pTray->setToolTip(m_strTip);
    m_pTray->show();
    m_bTrayShown = true;
}

void CTrayDialog::TrayHide() {
    if (m_pTray != nullptr) {
        m_pTray->hide();
    }
    m_bTrayShown = false;
    RestoreFromTray();
}

void CTrayDialog::TrayUpdate() {
    if (m_bTrayShown && m_pTray != nullptr) {
        m_pTray->setIcon(m_icon);
        m_pTray->setToolTip(m_strTip);
    }
}

void CTrayDialog::RestoreFromTray() {
    m_bStartInTray = false;
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    emit TrayRestored();
}

void CTrayDialog::MinimizeWindow() {
    if (m_bMinimizeToTray && HasTray()) {
        TrayShow();
        hide();
        return;
    }
    showMinimized();
}

void CTrayDialog::SetStartInTray(bool bStartInTray) {
    // Without a tray the window would stay unreachable: it is shown.
    m_bStartInTray = bStartInTray && HasTray();
}

void CTrayDialog::setVisible(bool bVisible) {
    if (bVisible && m_bStartInTray) {
        TrayShow();
        return;
    }
    QDialog::setVisible(bVisible);
}

void CTrayDialog::OnTrayRestore() {
    TrayHide();
}

void CTrayDialog::OnTrayExit() {
    emit TrayExitRequested();
    close();
}

void CTrayDialog::OnActivated(int nReason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(nReason)) {
        case QSystemTrayIcon::DoubleClick:
            OnTrayRestore();
            break;
        case QSystemTrayIcon::Trigger:
            // A single click only brings a visible window to the front.
            if (isVisible()) {
                raise();
                activateWindow();
            }
            break;
        default:
            break;
    }
}

void CTrayDialog::changeEvent(QEvent* pEvent) {
    QDialog::changeEvent(pEvent);
    if (pEvent->type() != QEvent::WindowStateChange) {
        return;
    }
    if ((windowState() & Qt::WindowMinimized) && m_bMinimizeToTray && HasTray()) {
        // Hiding inside the state change confuses some window managers; the
        // window goes once the event has been handled.
        QTimer::singleShot(0, this, [this] {
            if (windowState() & Qt::WindowMinimized) {
                TrayShow();
                hide();
            }
        });
    }
}
