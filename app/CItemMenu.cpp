#include "app/CItemMenu.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QUrl>
#include <algorithm>

#include "app/CQuarnelDlg.h"
#include "controls/CDropTarget.h"
#include "controls/CImageList.h"
#include "engine/CItemStates.h"
#include "engine/ItemMenuHelpers.h"
#include "engine/PathHelpers.h"

namespace {

// What the item's last run used, or the current options for an item that has not run.
bool RunWasTest(const CJobList& list, const CListItem& item, int nRow) {
    if (item.bHasRun)
        return item.bRunWasTest != 0;
    return list.GetItemOption(CJobList::OPTION_TEST, nRow);
}

}  // namespace

std::string MenuLabel(const std::string& strText) {
    const std::size_t nDollar = strText.find('$');
    if (nDollar != std::string::npos)
        return strText.substr(0, nDollar) + "\t" + strText.substr(nDollar + 1);
    // "Show error report           DblClk": the blanks before the shortcut become a tab.
    const std::size_t nGap = strText.find("   ");
    if (nGap != std::string::npos) {
        const std::size_t nShortcut = strText.find_first_not_of(' ', nGap);
        if (nShortcut != std::string::npos)
            return strText.substr(0, nGap) + "\t" + strText.substr(nShortcut);
    }
    return strText;
}

QPoint MenuPosition(const QPoint& ptCursor, const QSize& size, const QRect& rcWorkArea) {
    QPoint pt = ptCursor;
    if (pt.x() + size.width() > rcWorkArea.right() + 1)
        pt.setX(pt.x() - size.width());
    if (pt.y() + size.height() > rcWorkArea.bottom() + 1)
        pt.setY(pt.y() - size.height());
    pt.setX(std::max(pt.x(), rcWorkArea.left()));
    pt.setY(std::max(pt.y(), rcWorkArea.top()));
    return pt;
}

CItemMenu::CItemMenu(CQuarnelDlg& dlg) : m_dlg(dlg) {
    m_arrItems.push_back({-1, -1, "dummy"});
    m_arrRows = m_dlg.SelectedRows();
    ComputeStats();
}

bool CItemMenu::RowTested(int nRow) const {
    const CJobList& list = m_dlg.List();
    const CListItem* pItem = list.ItemAtRow(nRow);
    return pItem != nullptr && RunWasTest(list, *pItem, nRow);
}

std::string CItemMenu::RowOutputFolder(int nRow) const {
    CJobList& list = m_dlg.List();
    const CListItem* pItem = list.ItemAtRow(nRow);
    if (pItem == nullptr)
        return std::string();
    if (pItem->bHasRun) {
        // What the run extracted into: nothing after a test, and the input folder (offered
        // as "Open input folder") after an extraction into it.
        const std::string& strOutput = pItem->strRunOutputFolder;
        if (pItem->bRunWasTest || strOutput.empty() ||
            NormalizePath(strOutput) == NormalizePath(pItem->InputFolder()))
            return std::string();
        return strOutput;
    }
    if (list.GetItemOption(CJobList::OPTION_TEST, nRow) ||
        list.GetItemOption(CJobList::OPTION_OUTPUT_TO_INPUT, nRow))
        return std::string();
    return m_dlg.Output().GetShownOutputFolder(nRow);
}

void CItemMenu::ComputeStats() {
    const CJobList& list = m_dlg.List();
    const bool bIdle = !m_dlg.IsProcessing();
    const int nCurrent = list.CurrentRow();
    m_stats.nSelected = static_cast<int>(m_arrRows.size());
    m_stats.nOnlyRow = m_stats.nSelected == 1 ? m_arrRows.front() : -1;
    for (int nRow : m_arrRows) {
        const CListItem* pItem = list.ItemAtRow(nRow);
        if (pItem == nullptr)
            continue;
        if (pItem->strStatus.empty()) {
            ++m_stats.nUnprocessed;
            if (pItem->nPreset >= 0 && bIdle)
                m_stats.bPresetRemovable = true;
        } else {
            ++m_stats.nProcessed;
        }
        if (pItem->strStatus == ItemStates::COMPLETED) {
            m_stats.bCompletedOk = true;
            if (RowTested(nRow))
                m_stats.bTested = true;
        }
        if (pItem->strStatus == ItemStates::CLEANUP_LEFT)
            m_stats.bOkCleanupFailed = true;
        if (bIdle || nRow > nCurrent)
            ++m_stats.nNotReached;
    }
}

int CItemMenu::Add(QMenu& menu, const std::string& strText, int nKind, int nParam, const std::string& strPath,
                   int nIcon, bool bEnabled) {
    // Only the fixed entries carry a shortcut text; paths and preset names are shown as they are.
    const bool bShortcut = nKind == 4 || nKind == 5 || nKind == 6 || nKind == 7 || nKind == 13 || nKind == 14;
    QAction* pAction = menu.addAction(CImageList::Instance().MenuIcon(nIcon),
                                      QString::fromStdString(bShortcut ? MenuLabel(strText) : strText));
    pAction->setEnabled(bEnabled);
    if (nKind < 0)
        return 0;
    const int nId = static_cast<int>(m_arrItems.size());
    m_arrItems.push_back({nKind, nParam, strPath});
    pAction->setData(nId);
    return nId;
}

void CItemMenu::Build(QMenu& menu) {
    CJobList& list = m_dlg.List();
    const bool bIdle = !m_dlg.IsProcessing();
    const CMenuStats& s = m_stats;
    const int nOnly = s.nOnlyRow;
    const CListItem* pOnly = nOnly >= 0 ? list.ItemAtRow(nOnly) : nullptr;

    if (bIdle && (s.nSelected == 0 || s.nUnprocessed == s.nSelected)) {
        QMenu* pSub = menu.addMenu(CImageList::Instance().MenuIcon(5), QStringLiteral("Set output folder"));
        BuildOutputMenu(*pSub);
    }
    if (bIdle && list.RowCount() > 0 && s.nSelected > 0 && s.nUnprocessed == s.nSelected) {
        QMenu* pSub = menu.addMenu(CImageList::Instance().MenuIcon(6), QStringLiteral("Set preset"));
        BuildPresetMenu(*pSub);
    }
    Add(menu, "Add folder", 16, -1, "", 43);
    Add(menu, "Add files", 15, -1, "", 44);
    if (pOnly != nullptr && pOnly->strStatus == ItemStates::FAILED)
        Add(menu, "Show error report           DblClk", 14, nOnly, "", 41);
    if (pOnly != nullptr && pOnly->strStatus == ItemStates::CLEANUP_LEFT)
        Add(menu, "Show cleanup report     DblClk", 13, nOnly, "", 40);
    if (pOnly != nullptr && IsFolderAvailable(pOnly->InputFolder()))
        Add(menu, "Open input folder", 3, -1, pOnly->InputFolder(), 28);
    if (pOnly != nullptr) {
        const std::string strOutput = RowOutputFolder(nOnly);
        if (!strOutput.empty())
            Add(menu, "Open output folder", 3, 1, strOutput, 27);
    }
    if (pOnly != nullptr && (s.bCompletedOk || s.bOkCleanupFailed) && !s.bTested) {
        auto* pSub = new QMenu(QStringLiteral("Run..."), &menu);
        pSub->setIcon(CImageList::Instance().MenuIcon(34));
        if (BuildRunMenu(*pSub))
            menu.addMenu(pSub);
        else
            delete pSub;
    }
    if (s.nSelected > 0 && bIdle && s.nProcessed > 0)
        Add(menu, "Reset$Ctrl+R", 4, -1, "", 0);
    if (list.RowCount() > 0)
        Add(menu, "Select all$Ctrl+A", 5, -1, "", 31);
    if (s.nSelected > 0 && s.nSelected == s.nNotReached && s.nNotReached == s.nUnprocessed)
        Add(menu, "Skip$Ctrl+S", 7, -1, "", 33);
    if (s.nSelected > 0 && s.nSelected == s.nNotReached)
        Add(menu, "Delete$Del", 6, -1, "", 30);
}

void CItemMenu::BuildOutputMenu(QMenu& menu) {
    const std::vector<std::string>& arrHistory = m_dlg.Settings().arrHistory;
    Add(menu, "Browse...", 9, -1, "", 2);
    Add(menu, "Set to input folder", 8, -1, "", 1);
    if (!arrHistory.empty() && !m_dlg.IsProcessing()) {
        menu.addSeparator();
        Add(menu, "History:", -1, -1, "", 3, false);
        for (std::size_t n = 0; n < arrHistory.size(); ++n)
            Add(menu, arrHistory[n], 10, static_cast<int>(n), "", 0);
    }
    if (!arrHistory.empty())
        Add(menu, "Clear history", 11, -1, "", 4);
}

void CItemMenu::BuildPresetMenu(QMenu& menu) {
    if (m_dlg.IsProcessing())
        return;
    const std::vector<CPresets>& arrPresets = m_dlg.Presets();
    for (std::size_t n = 0; n < arrPresets.size(); ++n)
        Add(menu, arrPresets[n].strName, 1, static_cast<int>(n), "", 7 + static_cast<int>(n),
            m_dlg.Output().IsPresetUsable(static_cast<int>(n)));
    if (arrPresets.empty())
        Add(menu, "No presets created yet", -1, -1, "", -1, false);
    if (m_stats.bPresetRemovable) {
        if (!arrPresets.empty())
            menu.addSeparator();
        Add(menu, "Remove preset", 2, -1, "", 32);
    }
}

bool CItemMenu::BuildRunMenu(QMenu& menu) {
    CListItem* pItem = m_dlg.List().ItemAtRow(m_stats.nOnlyRow);
    if (pItem == nullptr)
        return false;
    const CRunList runList = PruneRunList(pItem->arrNewFiles);
    if (!runList.bBuilt || pItem->arrNewFiles.empty())
        return false;
    for (const CRunEntry& entry : runList.arrEntries)
        Add(menu, entry.strName, 12, -1, entry.strPath, entry.nIcon);
    return true;
}
