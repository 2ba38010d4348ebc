// The main window's feedback: the status line (timers 10 and 1), the row
// animation and the bar over the running row (timers 2, 3, 4), the tray
// animation and tooltip (timer 5), the tray summary and the process output.

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTextCursor>

#include "app/CQuarnelDlg.h"
#include "controls/CColorEdit.h"
#include "controls/CColorStatic.h"
#include "controls/CDropTarget.h"
#include "controls/CImageList.h"
#include "controls/RgbColor.h"
#include "engine/CItemStates.h"
#include "engine/Progress.h"

namespace {

int RowOfId(const CJobList& list, int nId) {
    return nId < 0 ? -1 : list.FindRowById(nId);
}

}  // namespace

// --- status line --------------------------------------------------------------------------

void CQuarnelDlg::SetStatusColours(uint32_t nText, uint32_t nBack) {
    m_nStatusText = nText;
    m_nStatusBack = nBack;
    ApplyStatusColours();
}

void CQuarnelDlg::ApplyStatusColours() {
    m_pStatus->SetBkColor(ColorFromRgb(m_nStatusBack));
    m_pStatus->SetTextColor(ColorFromRgb(m_nStatusText));
}

void CQuarnelDlg::ShowStatus(const QString& strText, int nMilliseconds, bool bFast) {
    m_statusEraseTimer.stop();
    m_pStatus->setText(strText);
    m_nStatusTicks = 0;
    m_nStatusHoldTicks = nMilliseconds / 30;
    m_statusTimer.start(bFast ? 15 : 30);
}

void CQuarnelDlg::OnStatusTick() {
    ++m_nStatusTicks;
    if (m_nStatusTicks <= m_nStatusHoldTicks)
        return;
    QString strText = m_pStatus->text();
    strText.chop(1);
    m_pStatus->setText(strText);
    if (strText.isEmpty()) {
        m_statusTimer.stop();
        m_nStatusBack = m_nStatusBackground;
        ApplyStatusColours();
    }
}

void CQuarnelDlg::OnStatusEraseTick() {
    QString strText = m_pStatus->text();
    strText.chop(1);
    m_pStatus->setText(strText);
    if (strText.isEmpty()) {
        m_statusEraseTimer.stop();
        m_nStatusBack = m_nStatusBackground;
        ApplyStatusColours();
    }
}

void CQuarnelDlg::OnStatusChanged(const QString& strText, uint nText, uint nBack, int nHoldMs) {
    SetStatusColours(nText, nBack != 0 ? nBack : m_nStatusBackground);
    if (nHoldMs > 0) {
        ShowStatus(strText, nHoldMs, false);
        return;
    }
    m_statusTimer.stop();
    m_statusEraseTimer.stop();
    m_pStatus->setText(strText);
    if (strText.isEmpty()) {
        m_nStatusBack = m_nStatusBackground;
        ApplyStatusColours();
    } else if (nHoldMs == 0) {
        m_statusEraseTimer.start();  // erased from the end at once
    }
}

// --- progress display -------------------------------------------------------------------

void CQuarnelDlg::OnProgressStarted(int nId, bool bMarquee) {
    m_nProgressId = nId;
    m_bProgressTest = m_list.GetItemOption(CJobList::OPTION_TEST, -1);
    CProgress& progress = m_pDriver->progress;
    progress.nTrayFrame = ImageIndex::TRAY_FRAME_FIRST;
    if (m_bProgressTest)
        progress.nTestFrame = ItemStates::IMAGE_TEST_ANIMATION_FIRST;
    else
        progress.nExtractFrame = ItemStates::IMAGE_EXTRACT_ANIMATION_FIRST;
    m_pListView->SetProgressRow(nId, bMarquee);
    if (IsHiddenInTray()) {
        TraySetIcon(CImageList::Instance().TrayFrame(ImageIndex::TRAY_FRAME_FIRST));
        TrayUpdate();
    }
    SetProcessingTimers(true);
}

void CQuarnelDlg::OnProgressStopped(int /*nId*/) {
    SetProcessingTimers(false);
    m_pListView->ClearProgress();
    m_nProgressId = -1;
    CProgress& progress = m_pDriver->progress;
    progress.nExtractFrame = 0;
    progress.nTestFrame = 0;
    progress.nTrayFrame = ImageIndex::TRAY_FRAME_FIRST;
}

void CQuarnelDlg::SetProcessingTimers(bool bOn) {
    if (!bOn) {
        m_extractTimer.stop();
        m_testTimer.stop();
        m_trayTimer.stop();
        m_barTimer.stop();
        return;
    }
    if (m_nProgressId < 0)
        return;
    (m_bProgressTest ? m_testTimer : m_extractTimer).start();
    m_trayTimer.start();
    m_barTimer.start();
}

void CQuarnelDlg::OnFrameTick(bool bTest) {
    CProgress& progress = m_pDriver->progress;
    const int nRow = RowOfId(m_list, m_nProgressId);
    if (!IsProcessing() || nRow < 0) {
        (bTest ? m_testTimer : m_extractTimer).stop();
        if (bTest)
            progress.nTestFrame = 0;
        else
            progress.nExtractFrame = ItemStates::IMAGE_EXTRACT_ANIMATION_FIRST;
        return;
    }
    int& nFrame = bTest ? progress.nTestFrame : progress.nExtractFrame;
    const int nFirst =
        bTest ? ItemStates::IMAGE_TEST_ANIMATION_FIRST : ItemStates::IMAGE_EXTRACT_ANIMATION_FIRST;
    const int nLast = bTest ? ImageIndex::TEST_FRAME_LAST : ImageIndex::EXTRACT_FRAME_LAST;
    nFrame = (nFrame < nFirst || nFrame >= nLast) ? nFirst : nFrame + 1;
    m_list.SetRowImage(nRow, nFrame);
}

void CQuarnelDlg::OnBarTick() {
    CProgress& progress = m_pDriver->progress;
    const int nRow = RowOfId(m_list, m_nProgressId);
    if (!IsProcessing() || nRow < 0) {
        m_barTimer.stop();
        return;
    }
    if (m_list.RowText(nRow, CJobList::COLUMN_RESULT) == ItemStates::COPYING_SAMPLES)
        return;
    const bool bMove = progress.Tick();
    if (IsHiddenInTray())
        return;
    if (progress.bIndeterminate)
        m_pListView->SetProgressPercent(progress.nArchivesDone.load());
    else if (bMove)
        m_pListView->SetProgressPercent(progress.nProgressPercent.load());
}

void CQuarnelDlg::OnTrayTick() {
    CProgress& progress = m_pDriver->progress;
    const int nRow = RowOfId(m_list, m_nProgressId);
    if (!IsProcessing() || nRow < 0) {
        m_trayTimer.stop();
        return;
    }
    if (!IsHiddenInTray())
        return;
    progress.nTrayFrame = progress.nTrayFrame >= ImageIndex::TRAY_FRAME_LAST ||
                                  progress.nTrayFrame < ImageIndex::TRAY_FRAME_FIRST
                              ? ImageIndex::TRAY_FRAME_FIRST
                              : progress.nTrayFrame + 1;
    TraySetIcon(CImageList::Instance().TrayFrame(progress.nTrayFrame));
    TraySetToolTip(QString::fromStdString(TrayProgressTip(m_list.RowText(nRow, CJobList::COLUMN_NAME),
                                                          progress.nProgressPercent.load(), m_bProgressTest,
                                                          progress.bIndeterminate.load() != 0)));
    TrayUpdate();
}

void CQuarnelDlg::RefreshTraySummary() {
    std::vector<std::string> arrStatuses;
    arrStatuses.reserve(static_cast<std::size_t>(m_list.RowCount()));
    for (int nRow = 0; nRow < m_list.RowCount(); ++nRow) {
        const int nIndex = m_list.FindIndex(nRow);
        arrStatuses.push_back(nIndex >= 0 ? m_list.Item(nIndex).strStatus : std::string());
    }
    const CTraySummary summary = ::RefreshTraySummary(arrStatuses);
    const CImageList& images = CImageList::Instance();
    QIcon icon = images.Icon(ImageIndex::TRAY_IDLE);
    switch (summary.nIcon) {
        case ETrayIcon::Failed:
            icon = images.Icon(ImageIndex::TRAY_FAILED);
            break;
        case ETrayIcon::FailedAndCleanUp:
            icon = images.Named(ENamedIcon::TrayFailedAndCleanup);
            break;
        case ETrayIcon::CleanUpFailed:
            icon = images.Icon(ImageIndex::TRAY_CLEANUP_FAILED);
            break;
        case ETrayIcon::AllOk:
            icon = images.Icon(ImageIndex::TRAY_ALL_OK);
            break;
        case ETrayIcon::Idle:
            break;
    }
    TraySetIcon(icon);
    TraySetToolTip(QString::fromStdString(summary.strTooltip.substr(0, MAX_TRAY_TIP)));
    TrayUpdate();
}

void CQuarnelDlg::NotifyRunEnd() {
    if (!HasTray())
        return;
    const QString strText = TrayToolTip();
    const QString strMessage =
        strText == QStringLiteral("Harvex") ? QStringLiteral("The list has been processed") : strText;
    if (auto* pTray = findChild<QSystemTrayIcon*>())
        pTray->showMessage(QStringLiteral("Harvex"), strMessage, TrayIcon(), 8000);
    emit RunNotified(QStringLiteral("Harvex"), strMessage);
}

// --- process output -----------------------------------------------------------------------

void CQuarnelDlg::AppendLogText(const QString& strText) {
    QString strClean = strText;
    strClean.remove(QLatin1Char('\r'));
    if (m_pLog->document()->blockCount() >= CProcessLog::MAX_LINES)
        m_pLog->clear();
    QTextCursor cursor(m_pLog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(strClean);
    m_pLog->verticalScrollBar()->setValue(m_pLog->verticalScrollBar()->maximum());
}

void CQuarnelDlg::ClearLogText() {
    m_pLog->clear();
}
