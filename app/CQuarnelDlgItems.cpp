// Items entering the list (drops, "Add files", "Add folder", the command line
// and a hand-over), the queue that holds list edits while a modal window is
// open, bringing the window to the front, and the reports of a row.

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWindow>

#include "app/CItemMenu.h"
#include "app/CQuarnelDlg.h"
#include "controls/CDropTarget.h"
#include "dialogs/CReports.h"
#include "platform/CCustomCommandLineInfo.h"

// --- the modal queue ----------------------------------------------------------------------

void CQuarnelDlg::EnterModal() {
    ++m_nModalDepth;
}

void CQuarnelDlg::LeaveModal() {
    if (m_nModalDepth > 0)
        --m_nModalDepth;
    if (m_nModalDepth > 0)
        return;
    // What waited runs in arrival order, once the modal loop has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            while (m_nModalDepth == 0 && !m_arrDeferred.empty()) {
                std::function<void()> fnEdit = std::move(m_arrDeferred.front());
                m_arrDeferred.erase(m_arrDeferred.begin());
                fnEdit();
            }
        },
        Qt::QueuedConnection);
}

void CQuarnelDlg::RunWhenNoModal(std::function<void()> fnEdit) {
    if (m_nModalDepth > 0 || !m_arrDeferred.empty()) {
        m_arrDeferred.push_back(std::move(fnEdit));
        return;
    }
    fnEdit();
}

// --- adding items -------------------------------------------------------------------------

void CQuarnelDlg::AddPaths(const QStringList& arrPaths) {
    std::vector<std::string> arrAdded;
    arrAdded.reserve(static_cast<std::size_t>(arrPaths.size()));
    for (const QString& strPath : arrPaths)
        arrAdded.push_back(strPath.toStdString());
    RunWhenNoModal([this, arrAdded = std::move(arrAdded)] {
        OnStatusChanged(QString(), 0xFFFFFF, 0, 0);
        ShowAddResult(m_adder.AddPaths(arrAdded));
    });
}

void CQuarnelDlg::AddChosenFolder(const std::string& strFolder) {
    OnStatusChanged(QString(), 0xFFFFFF, 0, 0);
    ShowAddResult(m_adder.AddChosenFolder(strFolder));
}

void CQuarnelDlg::ShowAddResult(const CItemAdder::CResult& result) {
    if (!result.strStatus.empty()) {
        SetStatusColours(0xFFFFFF, result.nBackground);
        ShowStatus(QString::fromStdString(result.strStatus), result.nShowMs, false);
    }
    if (result.nInserted > 0)
        m_pListView->scrollToBottom();
}

void CQuarnelDlg::AddCommandLineItems() {
    OnStatusChanged(QString(), 0xFFFFFF, 0, 0);
    bool bHadPreset = false;
    ShowAddResult(m_adder.AddCommandLineItems(arrCmdLine, bCmdLinePending, bHadPreset));
    if (bHadPreset) {
        // The secondary windows close before a preset batch starts.
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (pWidget != this && pWidget->isVisible() && pWidget->parentWidget() == this &&
                !pWidget->isModal())
                pWidget->close();
        m_pDriver->PostAutoStart();
    }
}

void CQuarnelDlg::OnHandOver(const std::vector<std::string>& arrPieces) {
    RunWhenNoModal([this, arrPieces] {
        // Arguments of the start that still wait go first; the new ones follow them.
        if (bCmdLinePending)
            AddCommandLineItems();
        const CHandOverDecision decision =
            TakeHandOver(arrPieces, bCmdLinePending, IsProcessing(), arrCmdLine);
        if (decision.bIgnored || !decision.bAddItems)
            return;
        if (decision.bBringToFront)
            BringToFront(false);
        if (decision.bRemoveDoneRows)
            m_list.PruneForPresetHandOver();
        bCmdLinePending = true;
        AddCommandLineItems();
    });
}

// --- the window in front --------------------------------------------------------------------

void CQuarnelDlg::BringToFront(bool bForceForeground) {
    if (IsHiddenInTray() || StartInTray() || TrayIsShown())
        TrayHide();
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    if (bForceForeground && windowHandle() != nullptr)
        windowHandle()->requestActivate();
}

bool CQuarnelDlg::IsFullScreenWindowActive() {
    // The foreground window of this program is the only one Qt can see; another
    // program's full-screen window is reported by the desktop as our window losing focus.
    const QWidget* pActive = QApplication::activeWindow();
    if (pActive == nullptr || pActive->windowHandle() == nullptr)
        return false;
    const QScreen* pScreen = pActive->windowHandle()->screen();
    return pScreen != nullptr && pActive->frameGeometry() == pScreen->geometry();
}

// --- reports --------------------------------------------------------------------------------

void CQuarnelDlg::OpenReport(int nRow) {
    // Modeless, at most one report window at a time.
    m_pReports->SetShowTooltips(m_settings.bShowTooltips != 0);
    m_pReports->OpenForRow(nRow);
}

// --- the item menu --------------------------------------------------------------------------

void CQuarnelDlg::ShowItemMenu(const QPoint& ptGlobal) {
    const QRect rcList(m_pListView->mapToGlobal(QPoint(0, 0)), m_pListView->size());
    if (!rcList.contains(ptGlobal))
        return;
    CItemMenu itemMenu(*this);
    QMenu menu(this);
    itemMenu.Build(menu);
    const QScreen* pScreen = QGuiApplication::screenAt(ptGlobal);
    const QRect rcWork = pScreen != nullptr ? pScreen->availableGeometry() : QRect(ptGlobal, menu.sizeHint());
    EnterModal();
    emit ItemMenuShown(&menu);
    const QAction* pChosen = menu.exec(MenuPosition(ptGlobal, menu.sizeHint(), rcWork));
    LeaveModal();
    itemMenu.Choose(pChosen != nullptr ? pChosen->data().toInt() : 0);
    m_pListView->setFocus();
}
