// The main window's commands: buttons, option boxes, keyboard commands, the
// enabled states while processing, and leaving the program.

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <QUrl>
#include <cstdlib>

#include "app/CGuiPrompts.h"
#include "app/CQuarnelDlg.h"
#include "controls/CColorStatic.h"
#include "controls/CDropTarget.h"
#include "controls/CImageList.h"
#include "dialogs/CAdvancedOptions.h"
#include "dialogs/CDownloadDialog.h"
#include "dialogs/CInfoDialog.h"
#include "dialogs/CPresetsDlg.h"
#include "dialogs/CReports.h"
#include "dialogs/CUpdateCheck.h"
#include "settings/SettingsSchema.h"

void CQuarnelDlg::OnCommand(ECommand nCommand) {
    switch (nCommand) {
        case CMD_CLEAR_LIST:
            RunWhenNoModal([this] { m_list.ClearList(); });
            break;
        case CMD_RESET_LIST:
            RunWhenNoModal([this] { m_list.ResetList(); });
            break;
        case CMD_REMOVE_SUCCESSFUL:
            RunWhenNoModal([this] { m_list.RemoveSuccessful(); });
            break;
        case CMD_PRESETS:
            OpenPresets();
            break;
        case CMD_PREFERENCES:
            OpenPreferences();
            break;
        case CMD_EXIT:
            ExitProgram();
            break;
        case CMD_HELP:
            OpenHelp();
            break;
        case CMD_UPDATE:
            m_pUpdateCheck->CheckForUpdateNow();
            break;
        case CMD_DONATE:
            QDesktopServices::openUrl(QUrl(strDonateUrl));
            m_pListView->setFocus();
            break;
        case CMD_KILL:
            m_pDriver->Kill();
            break;
        case CMD_PAUSE:
            m_pDriver->Pause();
            break;
        case CMD_GO:
            Go();
            break;
        case CMD_DELETE:
            RunWhenNoModal([this] { DeleteSelected(); });
            break;
        case CMD_SELECT_ALL:
            m_pListView->selectAll();
            m_pListView->setFocus();
            break;
        case CMD_RESET_SELECTED:
            RunWhenNoModal([this] { m_list.ResetSelected(SelectedRows()); });
            break;
        case CMD_SKIP:
            RunWhenNoModal([this] { m_list.SkipSelected(SelectedRows()); });
            break;
        case CMD_MOVE_UP:
        case CMD_MOVE_DOWN:
        case CMD_MOVE_TOP:
        case CMD_MOVE_BOTTOM:
            RunWhenNoModal([this, nCommand] { MoveSelected(nCommand); });
            break;
        case CMD_RANDOM_STATUS_COLOUR:
            m_nStatusBackground = (static_cast<uint32_t>(std::rand() % 255) << 16) |
                                  (static_cast<uint32_t>(std::rand() % 255) << 8) |
                                  static_cast<uint32_t>(std::rand() % 255);
            if (m_pStatus->text().isEmpty())
                m_nStatusBack = m_nStatusBackground;
            ApplyStatusColours();
            break;
        case CMD_TO_TRAY:
            RefreshTraySummary();
            MinimizeWindow();
            break;
        case CMD_ANIMATE_ICON:
            if (!m_animationTimer.isActive()) {
                m_nAnimationCounter = 2;
                m_animationTimer.start();
            }
            break;
        case CMD_COUNT:
            break;
    }
}

void CQuarnelDlg::Go() {
    if (m_pDriver->Go() != CDriver::EGoResult::ToolsMissing)
        return;
    CDownloadDialog dlg(this);
    EnterModal();
    dlg.exec();
    LeaveModal();
}

void CQuarnelDlg::OpenPresets() {
    // The manager refreshes the unfinished rows and saves the presets when it closes.
    CPresetsDlg dlg(m_arrPresets, &m_list, &m_output, *m_pMessageBox, this);
    dlg.Prepare(m_settings.bShowTooltips != 0);
    EnterModal();
    dlg.exec();
    LeaveModal();
    m_pListView->viewport()->update();
}

void CQuarnelDlg::OpenPreferences() {
    CAdvancedOptions dlg(m_settings, m_bAdministrator, this);
    connect(&dlg, &CAdvancedOptions::TooltipsChanged, this, &CQuarnelDlg::OnTooltipsChanged);
    dlg.Prepare();
    EnterModal();
    dlg.exec();
    LeaveModal();
    ApplyRunPreferences();
}

void CQuarnelDlg::OpenHelp() {
    CInfoDialog dlg(this);
    EnterModal();
    dlg.exec();
    LeaveModal();
}

void CQuarnelDlg::StartSilentUpdateCheck() {
    m_pUpdateCheck->StartSilentCheck();
}

void CQuarnelDlg::OnTooltipsChanged(bool bShow) {
    m_settings.bShowTooltips = bShow ? 1 : 0;
    if (!bShow)
        QToolTip::hideText();
    m_pReports->SetShowTooltips(bShow);
}

void CQuarnelDlg::ApplyRunPreferences() {
    m_pDriver->bPasswordPrompt = m_settings.bPasswordPrompt;
    m_pDriver->endPreferences = {m_settings.bCloseOnOk, m_settings.bRestoreOnOk, m_settings.bCloseOnError,
                                 m_settings.bRestoreOnError};
}

void CQuarnelDlg::OnOptionBox(EOptionBox nBox, bool bChecked) {
    const int nValue = bChecked ? 1 : 0;
    switch (nBox) {
        case BOX_KEEP_FOLDER:
            m_settings.bMainFolder = nValue;
            SyncMainOptions();
            m_output.RefreshAfterKeepFolderChange();
            return;
        case BOX_SAMPLE:
            m_settings.bSample = nValue;
            break;
        case BOX_SUBS:
            m_settings.bSubs = nValue;
            m_arrBoxes[BOX_SUBS_FOLDER]->setEnabled(bChecked);
            break;
        case BOX_SUBS_FOLDER:
            m_settings.bSubsFolder = nValue;
            break;
        case BOX_COVERS:
            m_settings.bCovers = nValue;
            break;
        case BOX_NFO:
            m_settings.bNfo = nValue;
            break;
        case BOX_TEST:
            m_settings.bTest = nValue;
            SyncMainOptions();
            UpdateEnabledStates();
            m_output.RefreshAllOutputColumns();
            m_pListView->viewport()->update();
            return;
        case BOX_CLEAN_UP:
            m_settings.bCleanUp = nValue;
            break;
        case BOX_COUNT:
            return;
    }
    SyncMainOptions();
}

void CQuarnelDlg::SyncMainOptions() {
    m_list.SetMainOptions(CMainOptions::FromSettings(m_settings));
}

void CQuarnelDlg::UpdateEnabledStates() {
    const bool bIdle = !IsProcessing();
    for (ECommand nCommand :
         {CMD_GO, CMD_HELP, CMD_DONATE, CMD_UPDATE, CMD_EXIT, CMD_CLEAR_LIST, CMD_RESET_LIST,
          CMD_REMOVE_SUCCESSFUL, CMD_PRESETS, CMD_PREFERENCES, CMD_DELETE, CMD_SELECT_ALL, CMD_RESET_SELECTED,
          CMD_SKIP, CMD_MOVE_UP, CMD_MOVE_DOWN, CMD_MOVE_TOP, CMD_MOVE_BOTTOM, CMD_ANIMATE_ICON})
        m_arrActions[nCommand]->setEnabled(bIdle);
    m_arrActions[CMD_PAUSE]->setEnabled(!bIdle);
    m_arrActions[CMD_KILL]->setEnabled(!bIdle);
    m_pListView->SetDragEnabled(bIdle);
    const bool bTest = m_arrBoxes[BOX_TEST]->isChecked();
    m_arrBoxes[BOX_TEST]->setEnabled(bIdle);
    for (EOptionBox nBox : {BOX_KEEP_FOLDER, BOX_SAMPLE, BOX_SUBS, BOX_COVERS, BOX_NFO, BOX_CLEAN_UP})
        m_arrBoxes[nBox]->setEnabled(bIdle && !bTest);
    m_arrBoxes[BOX_SUBS_FOLDER]->setEnabled(bIdle && !bTest && m_arrBoxes[BOX_SUBS]->isChecked());
}

void CQuarnelDlg::DeleteSelected() {
    if (IsProcessing())
        return;
    m_list.RemoveRows(SelectedRows());  // asks for the tray summary itself
}

void CQuarnelDlg::MoveSelected(ECommand nCommand) {
    CJobList::EMoveStep nStep = CJobList::EMoveStep::Up;
    if (nCommand == CMD_MOVE_DOWN)
        nStep = CJobList::EMoveStep::Down;
    else if (nCommand == CMD_MOVE_TOP)
        nStep = CJobList::EMoveStep::Top;
    else if (nCommand == CMD_MOVE_BOTTOM)
        nStep = CJobList::EMoveStep::Bottom;
    const std::vector<int> arrMoved = m_list.MoveSelection(SelectedRows(), nStep);
    if (arrMoved.empty())
        return;
    QItemSelectionModel* pSelection = m_pListView->selectionModel();
    pSelection->clearSelection();
    for (int nRow : arrMoved)
        pSelection->select(m_list.index(nRow, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    pSelection->setCurrentIndex(m_list.index(arrMoved.front(), 0), QItemSelectionModel::NoUpdate);
    m_pListView->scrollTo(m_list.index(arrMoved.front(), 0));
}

void CQuarnelDlg::OnAnimationTick() {
    ++m_nAnimationCounter;
    if (m_nAnimationCounter > 27) {
        m_nAnimationCounter = 2;
        m_animationTimer.stop();
        setWindowIcon(CImageList::Instance().Named(ENamedIcon::App));
        return;
    }
    // Counter 3..14 turns the icon once (steps 1..12), 15..25 turns it back, 2 and 26 show
    // the still frame, other values the program icon.
    const int n = m_nAnimationCounter;
    int nStep = -1;
    if (n == 2 || n == 26)
        nStep = 0;
    else if (n >= 3 && n <= 14)
        nStep = n - 2;
    else if (n >= 15 && n <= 25)
        nStep = 26 - n;
    const CImageList& images = CImageList::Instance();
    setWindowIcon(nStep >= 0 ? images.AppSpin(nStep) : images.Named(ENamedIcon::App));
}

void CQuarnelDlg::OnTrayExit() {
    // The abort request first; while a run is still ending the window closes with it.
    m_pDriver->Kill();
    if (IsProcessing())
        m_bExitAfterRun = true;
    ExitProgram();
}

void CQuarnelDlg::OnRunStarted() {
    UpdateEnabledStates();
}

void CQuarnelDlg::OnRunFinished(int nEndAction) {
    UpdateEnabledStates();
    if (IsHiddenInTray())
        NotifyRunEnd();
    if (m_bExitAfterRun || nEndAction == static_cast<int>(EEndAction::Exit)) {
        ExitProgram();
        return;
    }
    if (nEndAction == static_cast<int>(EEndAction::Restore) && !IsFullScreenWindowActive())
        BringToFront(true);
    // An update found while the run went on is offered now.
    m_pUpdateCheck->RunFinished();
}

void CQuarnelDlg::ExitProgram() {
    SaveSettings(m_settings, m_arrPresets);
    if (IsProcessing())
        return;
    m_bClosing = true;
    if (TrayIsShown())
        TrayHide();
    done(QDialog::Accepted);
}

void CQuarnelDlg::closeEvent(QCloseEvent* pEvent) {
    if (m_bClosing) {
        pEvent->accept();
        return;
    }
    pEvent->ignore();
    ExitProgram();
}

void CQuarnelDlg::keyPressEvent(QKeyEvent* pEvent) {
    switch (pEvent->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Enter never triggers the default button; Esc is the Exit command (idle only).
            pEvent->accept();
            return;
        default:
            CTrayDialog::keyPressEvent(pEvent);
    }
}
