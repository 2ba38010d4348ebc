// The item menu's actions, run after the popup has closed.

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "app/CItemMenu.h"
#include "app/CQuarnelDlg.h"
#include "controls/CDropTarget.h"
#include "engine/PathHelpers.h"

void CItemMenu::Choose(int nCommand) {
    if (nCommand <= 0 || nCommand >= static_cast<int>(m_arrItems.size()))
        return;
    const RCM_Item item = m_arrItems[static_cast<std::size_t>(nCommand)];
    CJobList& list = m_dlg.List();
    COutputFolders& output = m_dlg.Output();
    switch (item.nKind) {
        case 1:
            for (int nRow : m_arrRows)
                output.ApplyPreset(nRow, item.nParam);
            break;
        case 2:
            if (!m_dlg.IsProcessing())
                for (int nRow : m_arrRows)
                    output.RemovePreset(nRow);
            break;
        case 3:
            OpenFolder(item.strText, item.nParam == 1);
            break;
        case 4:
            list.ResetSelected(m_arrRows);
            break;
        case 5:
            m_dlg.ListView()->selectAll();
            break;
        case 6:
            DeleteSelected();
            break;
        case 7:
            SkipSelected();
            break;
        case 8:
            output.ChooseInputFolder(m_arrRows);
            break;
        case 9: {
            const std::vector<std::string>& arrHistory = m_dlg.Settings().arrHistory;
            m_dlg.EnterModal();
            const QString strFolder = QFileDialog::getExistingDirectory(
                &m_dlg, QStringLiteral("Select Output folder"),
                arrHistory.empty() ? QString() : QString::fromStdString(arrHistory.front()));
            m_dlg.LeaveModal();
            if (!strFolder.isEmpty())
                output.ChooseBrowsedFolder(m_arrRows, strFolder.toStdString());
            break;
        }
        case 10:
            output.ChooseHistoryEntry(m_arrRows, item.nParam);
            break;
        case 11:
            output.ClearOutputHistory();
            break;
        case 12:
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(item.strText)));
            break;
        case 13:
        case 14:
            m_dlg.OpenReport(item.nParam);
            break;
        case 15: {
            m_dlg.EnterModal();
            const QStringList arrFiles = QFileDialog::getOpenFileNames(
                &m_dlg, QString(), QString(), QStringLiteral("Zip and rar files (*.zip *.rar *.000 *.001)"));
            m_dlg.LeaveModal();
            if (!arrFiles.isEmpty())
                m_dlg.AddPaths(arrFiles);
            break;
        }
        case 16: {
            m_dlg.EnterModal();
            const QString strFolder = QFileDialog::getExistingDirectory(
                &m_dlg, QString(), QString::fromStdString(m_dlg.Adder().LastAddFolder()));
            m_dlg.LeaveModal();
            if (!strFolder.isEmpty()) {
                const std::string strChosen = strFolder.toStdString();
                CQuarnelDlg* pDlg = &m_dlg;
                m_dlg.RunWhenNoModal([pDlg, strChosen] { pDlg->AddChosenFolder(strChosen); });
            }
            break;
        }
        default:
            break;
    }
}

void CItemMenu::OpenFolder(const std::string& strFolder, bool bOutput) {
    std::string strOpen;
    if (IsFolderAvailable(strFolder))
        strOpen = strFolder;
    else if (bOutput)  // its parent ("/" for an entry of the root); a name without '/' as it is
        strOpen = strFolder.find('/') == std::string::npos ? strFolder : ParentFolderOf(strFolder);
    if (!strOpen.empty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(strOpen)));
}

void CItemMenu::DeleteSelected() {
    // From the bottom up; while processing only rows after the current one go. The list
    // asks for the tray summary itself.
    m_dlg.List().RemoveRows(m_arrRows);
}

void CItemMenu::SkipSelected() {
    // Each skipped row asks for the tray summary itself; when none could be skipped the
    // summary is still redrawn, as the menu command always did.
    CJobList& list = m_dlg.List();
    bool bSkipped = false;
    for (int nRow : m_arrRows)
        bSkipped = list.SkipRow(nRow) || bSkipped;
    if (!bSkipped)
        m_dlg.RefreshTraySummary();
}
