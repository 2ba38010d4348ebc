// The main window: construction, layout, actions and the initialisation order.

#include "app/CQuarnelDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <cstdlib>
#include <ctime>

#include "app/CGuiPrompts.h"
#include "controls/CColorEdit.h"
#include "controls/CColorStatic.h"
#include "controls/CDropTarget.h"
#include "controls/CImageList.h"
#include "controls/CLabel.h"
#include "controls/CXPStyleButtonST.h"
#include "controls/RgbColor.h"
#include "controls/TooltipText.h"
#include "dialogs/CPasswordDialog.h"
#include "dialogs/CReports.h"
#include "dialogs/CUpdateCheck.h"
#include "platform/AdminRights.h"
#include "settings/SettingsSchema.h"

namespace {

struct CCommandText {
    const char* pszText;
    const char* pszTip;
    const char* pszShortcut;
};

// Texts, tooltips and shortcuts of the commands, in ECommand order.
const CCommandText COMMANDS[CQuarnelDlg::CMD_COUNT] = {
    {"Clear list", "Remove all items from list", nullptr},
    {"Reset list", "Reset all items in list", nullptr},
    {"Remove successful", "Remove all successfully completed items from list", nullptr},
    {"Presets", "Create, remove and edit presets", nullptr},
    {"Preferences", "Open the preferences window", nullptr},
    {"&Exit", "Close Harvex (Esc)", "Esc"},
    {"&Help", "All You need to know about Harvex", nullptr},
    {"&Update", "Check for updates (requires internet connection)", nullptr},
    {"&Donate", "Help keep Harvex alive by donating via Paypal", nullptr},
    {"&Kill process", "Abort current process", nullptr},
    {"P&ause list", "Paus list after this item has finished", nullptr},
    {"&Go!", "Process all items in list", nullptr},
    {"Delete", nullptr, "Del"},
    {"Select all", nullptr, "Ctrl+A"},
    {"Reset", nullptr, "Ctrl+R"},
    {"Skip", nullptr, "Ctrl+S"},
    {"Move up", nullptr, "Ctrl+U"},
    {"Move down", nullptr, "Ctrl+D"},
    {"Move to top", nullptr, "Ctrl+T"},
    {"Move to bottom", nullptr, "Ctrl+B"},
    {"Random status colour", nullptr, "Ctrl+J"},
    {"Hide in tray", nullptr, "F9"},
    {"Animate icon", nullptr, "Ctrl+X"},
};

struct CBoxText {
    const char* pszText;
    const char* pszTip;
};

const CBoxText BOXES[CQuarnelDlg::BOX_COUNT] = {
    {"Keep folder", "Add input folder to output folder path"},
    {"Keep sample", "Copy sample(s) to output folder"},
    {"Keep subs", "Extract subtitles to output folder"},
    {"Keep subs folder", "Extract subtitles to output\\Subs folder"},
    {"Keep covers", "Copy covers to output folder"},
    {"Keep nfo", "Copy .nfo file to output folder"},
    {"Test", "Test archived files"},
    {"Clean up", "Delete processed files and folders if successfully completed"},
};

}  // namespace

CQuarnelDlg::CQuarnelDlg(QWidget* pParent) : CTrayDialog(pParent) {
    m_pDriver = std::make_unique<CDriver>(m_list);
    m_pMessageBox = std::make_unique<CGuiMessageBox>(*this);
    m_pPasswordPrompt = std::make_unique<CDialogPasswordPrompt>(this, *m_pMessageBox);
    m_pUpdateCheck = new CUpdateCheck(m_settings, *m_pMessageBox, this);
    m_pUpdateCheck->fnIsProcessing = [this] { return IsProcessing(); };
    m_pReports = new CReportWindows(m_list, this);
    m_pReports->fnIsProcessing = [this] { return IsProcessing(); };
    m_list.SetPresets(&m_arrPresets);
    m_list.SetMessageBox(m_pMessageBox.get());
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    CreateActions();
    CreateControls();
    ConnectDriver();

    struct CTimerInterval {
        QTimer* pTimer;
        int nInterval;
    };
    for (const CTimerInterval& timer :
         {CTimerInterval{&m_statusEraseTimer, 30}, CTimerInterval{&m_extractTimer, 97},
          CTimerInterval{&m_barTimer, 27}, CTimerInterval{&m_testTimer, 97},
          CTimerInterval{&m_trayTimer, 582}, CTimerInterval{&m_statusTimer, 30},
          CTimerInterval{&m_animationTimer, 70}})
        timer.pTimer->setInterval(timer.nInterval);
    connect(&m_statusTimer, &QTimer::timeout, this, &CQuarnelDlg::OnStatusTick);
    connect(&m_statusEraseTimer, &QTimer::timeout, this, &CQuarnelDlg::OnStatusEraseTick);
    connect(&m_extractTimer, &QTimer::timeout, this, [this] { OnFrameTick(false); });
    connect(&m_testTimer, &QTimer::timeout, this, [this] { OnFrameTick(true); });
    connect(&m_barTimer, &QTimer::timeout, this, &CQuarnelDlg::OnBarTick);
    connect(&m_trayTimer, &QTimer::timeout, this, &CQuarnelDlg::OnTrayTick);
    connect(&m_animationTimer, &QTimer::timeout, this, &CQuarnelDlg::OnAnimationTick);
    resize(760, 600);
}

CQuarnelDlg::~CQuarnelDlg() {
    m_pDriver->Kill();
    // Both use the records and the message box of this window: gone before those are.
    delete m_pReports;
    delete m_pUpdateCheck;
}

void CQuarnelDlg::CreateActions() {
    for (int n = 0; n < CMD_COUNT; ++n) {
        auto* pAction = new QAction(QString::fromUtf8(COMMANDS[n].pszText), this);
        if (COMMANDS[n].pszTip != nullptr)
            pAction->setToolTip(QString::fromUtf8(COMMANDS[n].pszTip));
        if (COMMANDS[n].pszShortcut != nullptr) {
            pAction->setShortcut(QKeySequence(QString::fromUtf8(COMMANDS[n].pszShortcut)));
            pAction->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(pAction);
        const auto nCommand = static_cast<ECommand>(n);
        connect(pAction, &QAction::triggered, this, [this, nCommand] { OnCommand(nCommand); });
        m_arrActions[static_cast<std::size_t>(n)] = pAction;
    }
}

QPushButton* CQuarnelDlg::MakeButton(ECommand nCommand) {
    QAction* pAction = m_arrActions[nCommand];
    auto* pButton = new CXPStyleButtonST(pAction->text(), this);
    pButton->SetThemeHelper(&m_theme);
    pButton->setToolTip(pAction->toolTip());
    pButton->setAutoDefault(false);
    pButton->setEnabled(pAction->isEnabled());
    pButton->installEventFilter(this);
    connect(pButton, &QPushButton::clicked, pAction, &QAction::trigger);
    connect(pAction, &QAction::changed, pButton,
            [pButton, pAction] { pButton->setEnabled(pAction->isEnabled()); });
    m_arrButtons[nCommand] = pButton;
    return pButton;
}

QPushButton* CQuarnelDlg::Button(ECommand nCommand) {
    return m_arrButtons[nCommand];
}

void CQuarnelDlg::CreateControls() {
    m_pListView = new CDropTarget(this);
    m_pListView->SetJobList(&m_list);
    m_pListView->installEventFilter(this);
    m_pListView->setMinimumHeight(140);
    connect(m_pListView, &CDropTarget::PathsDropped, this, &CQuarnelDlg::AddPaths);
    connect(m_pListView, &CDropTarget::ContextMenuRequested, this,
            [this](const QPoint& ptGlobal, int) { ShowItemMenu(ptGlobal); });
    connect(m_pListView, &CDropTarget::ReportRequested, this, &CQuarnelDlg::OpenReport);

    m_pDropLabel = new CLabel(QStringLiteral("Drag and drop folders, zip and rar files"), this);
    m_pMenuLabel = new CLabel(QStringLiteral("Right click on item(s) in list for menu"), this);

    m_pLog = new CColorEdit(this);
    m_pLog->setReadOnly(true);
    m_pLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pLog->setToolTip(QStringLiteral("Shows output from unzip and unrar"));
    m_pLog->installEventFilter(this);
    m_pLog->viewport()->installEventFilter(this);

    m_pStatus = new CColorStatic(this);
    m_pStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setMinimumHeight(m_pStatus->fontMetrics().height() + 6);

    for (int n = 0; n < BOX_COUNT; ++n) {
        auto* pBox = new QCheckBox(QString::fromUtf8(BOXES[n].pszText), this);
        pBox->setToolTip(QString::fromUtf8(BOXES[n].pszTip));
        pBox->installEventFilter(this);
        const auto nBox = static_cast<EOptionBox>(n);
        connect(pBox, &QCheckBox::clicked, this,
                [this, nBox](bool bChecked) { OnOptionBox(nBox, bChecked); });
        m_arrBoxes[static_cast<std::size_t>(n)] = pBox;
    }

    auto* pProcess = new QGroupBox(QStringLiteral("Process:"), this);
    auto* pProcessLayout = new QVBoxLayout(pProcess);
    pProcessLayout->addWidget(m_pLog);
    auto* pFolders = new QGroupBox(QStringLiteral("Options for folders:"), this);
    auto* pFoldersLayout = new QVBoxLayout(pFolders);
    for (EOptionBox nBox : {BOX_KEEP_FOLDER, BOX_SAMPLE, BOX_SUBS, BOX_SUBS_FOLDER, BOX_COVERS, BOX_NFO})
        pFoldersLayout->addWidget(m_arrBoxes[nBox]);
    pFoldersLayout->addStretch(1);
    auto* pGeneral = new QGroupBox(QStringLiteral("General options:"), this);
    auto* pGeneralLayout = new QVBoxLayout(pGeneral);
    pGeneralLayout->addWidget(m_arrBoxes[BOX_TEST]);
    pGeneralLayout->addWidget(m_arrBoxes[BOX_CLEAN_UP]);
    pGeneralLayout->addStretch(1);

    auto* pLabels = new QHBoxLayout;
    pLabels->addWidget(m_pDropLabel);
    pLabels->addStretch(1);
    pLabels->addWidget(m_pMenuLabel);

    auto* pListButtons = new QVBoxLayout;
    for (ECommand nCommand :
         {CMD_CLEAR_LIST, CMD_RESET_LIST, CMD_REMOVE_SUCCESSFUL, CMD_PRESETS, CMD_PREFERENCES})
        pListButtons->addWidget(MakeButton(nCommand));
    pListButtons->addStretch(1);

    auto* pMiddle = new QHBoxLayout;
    pMiddle->addWidget(pProcess, 1);
    pMiddle->addWidget(pFolders);
    pMiddle->addWidget(pGeneral);
    pMiddle->addLayout(pListButtons);

    auto* pCommands = new QHBoxLayout;
    for (ECommand nCommand : {CMD_EXIT, CMD_HELP, CMD_UPDATE, CMD_DONATE})
        pCommands->addWidget(MakeButton(nCommand));
    pCommands->addStretch(1);
    for (ECommand nCommand : {CMD_KILL, CMD_PAUSE, CMD_GO})
        pCommands->addWidget(MakeButton(nCommand));
    m_arrButtons[CMD_GO]->setDefault(true);

    auto* pMain = new QVBoxLayout(this);
    pMain->addWidget(m_pListView, 1);
    pMain->addLayout(pLabels);
    pMain->addLayout(pMiddle);
    pMain->addWidget(m_pStatus);
    pMain->addLayout(pCommands);
}

void CQuarnelDlg::SizeColumns(int nWidth) {
    const std::array<int, 3> arrWidths = CDropTarget::ColumnWidthsFor(nWidth);
    for (int nColumn = 0; nColumn < CJobList::COLUMN_COUNT; ++nColumn)
        m_pListView->setColumnWidth(nColumn, arrWidths[static_cast<std::size_t>(nColumn)]);
}

void CQuarnelDlg::Initialise(bool bLoadSettings) {
    // 1. tools, settings, history and presets
    std::string strDirectory;
    ReadInstallDir(strDirectory);
    const char* pszPath = std::getenv("PATH");
    if (m_tools.strUnrarExe.empty())
        m_tools = ResolveToolPaths(strDirectory, ProgramFolder(), pszPath ? pszPath : "");
    if (bLoadSettings)
        LoadSettings(m_settings, m_arrPresets);
    // 2. title, random seed
    setWindowTitle(QString::fromStdString(strTitle));
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // 3. images, tray
    const CImageList& images = CImageList::Instance();
    setWindowIcon(images.Named(ENamedIcon::App));
    TraySetIcon(images.Icon(ImageIndex::TRAY_IDLE));
    TraySetToolTip(QStringLiteral("Harvex"));
    // 4. columns: the list keeps its 39 % / 17 % / rest shares of its width
    m_pListView->ApplyColumnShares();
    // 6. tooltips follow "ShowTooltips" (see eventFilter)
    // 7. colours and the states of the controls
    m_pStatus->SetBkColor(ColorFromRgb(m_nStatusBackground));
    m_pLog->SetBkColor(ColorFromRgb(LOG_BACKGROUND));
    m_pLog->SetTextColor(Qt::black);
    const QColor face = palette().color(QPalette::Button);
    const int r = face.red(), g = face.green(), b = face.blue();
    m_pDropLabel->SetTextColor(QColor((r + 100) % 255, (g + 140) % 255, b));
    m_pMenuLabel->SetTextColor(QColor(r, (g + 140) % 255, (b + 140) % 255));
    const struct {
        ECommand nCommand;
        ENamedIcon icon;
    } BUTTON_ICONS[] = {{CMD_GO, ENamedIcon::Go},
                        {CMD_PAUSE, ENamedIcon::Pause},
                        {CMD_KILL, ENamedIcon::Kill},
                        {CMD_EXIT, ENamedIcon::Exit},
                        {CMD_HELP, ENamedIcon::Help},
                        {CMD_UPDATE, ENamedIcon::Update},
                        {CMD_DONATE, ENamedIcon::Donate},
                        {CMD_CLEAR_LIST, ENamedIcon::ClearList},
                        {CMD_RESET_LIST, ENamedIcon::ResetList},
                        {CMD_REMOVE_SUCCESSFUL, ENamedIcon::RemoveSuccessful},
                        {CMD_PRESETS, ENamedIcon::Presets},
                        {CMD_PREFERENCES, ENamedIcon::Preferences}};
    for (const auto& button : BUTTON_ICONS)
        static_cast<CButtonST*>(m_arrButtons[button.nCommand])->SetIcon(images.Named(button.icon));
    const int arrValues[BOX_COUNT] = {m_settings.bMainFolder, m_settings.bSample, m_settings.bSubs,
                                      m_settings.bSubsFolder, m_settings.bCovers, m_settings.bNfo,
                                      m_settings.bTest,       m_settings.bCleanUp};
    for (int n = 0; n < BOX_COUNT; ++n)
        m_arrBoxes[static_cast<std::size_t>(n)]->setChecked(arrValues[n] != 0);
    SyncMainOptions();
    ApplyRunPreferences();
    UpdateEnabledStates();
    // 8. the command line's items
    if (bCmdLinePending)
        AddCommandLineItems();
    // 9. administrator rights
    m_bAdministrator = UserHasAdminRights();
    // 10. the unzip library
    InitUnzip(m_unzip, m_tools.strUnzipDll);
    m_pDriver->strUnrarExe = m_tools.strUnrarExe;
    m_pDriver->pUnzip = &m_unzip;
}

void CQuarnelDlg::ConnectDriver() {
    CDriver* pDriver = m_pDriver.get();
    pDriver->pPasswordPrompt = m_pPasswordPrompt.get();
    // The password question is a modal window: list edits wait, the animations stand still.
    connect(m_pPasswordPrompt.get(), &CDialogPasswordPrompt::PromptOpened, this, [this] {
        EnterModal();
        SetProcessingTimers(false);
    });
    connect(m_pPasswordPrompt.get(), &CDialogPasswordPrompt::PromptClosed, this, [this] {
        SetProcessingTimers(true);
        LeaveModal();
    });
    pDriver->fnAreToolsPresent = [this] { return AreToolsPresent(m_tools); };
    pDriver->fnResolveOutputFolder = [this](int nRow) { return m_output.ResolveOutputFolder(nRow); };
    connect(pDriver, &CDriver::StatusChanged, this, &CQuarnelDlg::OnStatusChanged);
    connect(pDriver, &CDriver::RunStarted, this, &CQuarnelDlg::OnRunStarted);
    connect(pDriver, &CDriver::RunFinished, this, &CQuarnelDlg::OnRunFinished);
    connect(pDriver, &CDriver::TraySummaryChanged, this, &CQuarnelDlg::RefreshTraySummary);
    connect(&m_list, &CJobList::TraySummaryRefreshRequested, this, &CQuarnelDlg::RefreshTraySummary);
    connect(&m_list, &CJobList::LogAndStatusClearRequested, this, [this] {
        m_pDriver->log.Clear();
        ClearLogText();
        OnStatusChanged(QString(), 0xFFFFFF, 0, 0);
    });

    connect(pDriver, &CDriver::ProgressStarted, this, &CQuarnelDlg::OnProgressStarted);
    connect(pDriver, &CDriver::ProgressStopped, this, &CQuarnelDlg::OnProgressStopped);
    connect(pDriver, &CDriver::LogAppended, this, &CQuarnelDlg::AppendLogText);
    connect(pDriver, &CDriver::LogCleared, this, &CQuarnelDlg::ClearLogText);
}

QTimer* CQuarnelDlg::Timer(ETimer nTimer) {
    switch (nTimer) {
        case TIMER_STATUS_ERASE:
            return &m_statusEraseTimer;
        case TIMER_EXTRACT_FRAMES:
            return &m_extractTimer;
        case TIMER_BAR:
            return &m_barTimer;
        case TIMER_TEST_FRAMES:
            return &m_testTimer;
        case TIMER_TRAY:
            return &m_trayTimer;
        case TIMER_STATUS:
            return &m_statusTimer;
    }
    return nullptr;
}

CMessageBox& CQuarnelDlg::MessageBox() {
    return *m_pMessageBox;
}

std::vector<int> CQuarnelDlg::SelectedRows() const {
    return m_pListView->SelectedRows();
}

bool CQuarnelDlg::eventFilter(QObject* pObject, QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) {
        // One tooltip behaviour for the window: only with "ShowTooltips", 400 px, 5 s.
        auto* pWidget = qobject_cast<QWidget*>(pObject);
        if (pWidget == m_pLog->viewport())
            pWidget = m_pLog;
        if (!m_settings.bShowTooltips || pWidget == nullptr || pWidget->toolTip().isEmpty()) {
            QToolTip::hideText();
            return true;
        }
        const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        QToolTip::showText(pHelp->globalPos(), TooltipText::Wrapped(pWidget->toolTip(), 400), pWidget,
                           QRect(), 5000);
        return true;
    }
    if (pObject == m_pListView && pEvent->type() == QEvent::KeyPress) {
        // The view's own Ctrl+A works only while idle, like every list key.
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->matches(QKeySequence::SelectAll)) {
            if (m_arrActions[CMD_SELECT_ALL]->isEnabled())
                m_arrActions[CMD_SELECT_ALL]->trigger();
            return true;
        }
    }
    return CTrayDialog::eventFilter(pObject, pEvent);
}
