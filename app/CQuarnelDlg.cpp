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

#include "app/AdminCheck.h"
#include "app/CGuiPrompts.h"
#include "app/CLocalImageList.h"
#include "app/CLocalListView.h"
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

QColor FromRgb(uint32_t nRgb) {
    return QColor((nRgb >> 16) & 0xFF, (nRgb >> 8) & 0xFF, nRgb & 0xFF);
}

}  // namespace

CQuarnelDlg::CQuarnelDlg(QWidget* pParent) : CLocalTrayDialog(pParent) {
    m_pDriver = std::make_unique<CDriver>(m_list);
    m_pMessageBox = std::make_unique<CGuiMessageBox>(*this);
    m_pPasswordPrompt = std::make_unique<CGuiPasswordPrompt>(*this);
    m_list.SetPresets(&m_arrPresets);
    m_list.SetMessageBox(m_pMessageBox.get());
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    CreateActions();
    CreateControls();
    ConnectDriver();

    struct CTimerSpec {
        QTimer* pTimer;
        int nInterval;
    };
    for (const CTimerSpec& spec :
         {CTimerSpec{&m_statusEraseTimer, 30}, CTimerSpec{&m_extractTimer, 97}, CTimerSpec{&m_barTimer, 27},
          CTimerSpec{&m_testTimer, 97}, CTimerSpec{&m_trayTimer, 582}, CTimerSpec{&m_statusTimer, 30},
          CTimerSpec{&m_animationTimer, 70}})
        spec.pTimer->setInterval(spec.nInterval);
    connect(&m_statusTimer, &QTimer::timeout, this, &CQuarnelDlg::OnStatusTick);
    connect(&m_statusEraseTimer, &QTimer::timeout, this, &CQuarnelDlg::OnStatusEraseTick);
    connect(&m_extractTimer, &QTimer::timeout, this, [this] { OnFrameTick(false); });
    connect(&m_testTimer, &QTimer::timeout, this, [this] { OnFrameTick(true); });
    connect(&m_barTimer, &QTimer::timeout, this, &CQuarnelDlg::OnBarTick);
    connect(&m_trayTimer, &QTimer::timeout, this, &CQuarnelDlg::OnTrayTick);
    connect(&m_animationTimer, &QTimer::timeout, this, &CQuarnelDlg::OnAnimationTick);
    connect(this, &CLocalTrayDialog::TrayExitRequested, this, &CQuarnelDlg::OnTrayExit);
    resize(760, 600);
}

CQuarnelDlg::~CQuarnelDlg() {
    m_pDriver->Kill();
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
    auto* pButton = new QPushButton(pAction->text(), this);
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
    m_pListView = new CLocalListView(this);
    m_pListView->setModel(&m_list);
    m_pListView->installEventFilter(this);
    m_pListView->viewport()->installEventFilter(this);
    m_pListView->setMinimumHeight(140);
    connect(m_pListView, &CLocalListView::PathsDropped, this, &CQuarnelDlg::AddPaths);
    connect(m_pListView, &CLocalListView::ItemMenuRequested, this, &CQuarnelDlg::ShowItemMenu);
    connect(m_pListView, &CLocalListView::ReportRequested, this, &CQuarnelDlg::OpenReport);

    m_pDropLabel = new QLabel(QStringLiteral("Drag and drop folders, zip and rar files"), this);
    m_pMenuLabel = new QLabel(QStringLiteral("Right click on item(s) in list for menu"), this);

    m_pLog = new QPlainTextEdit(this);
    m_pLog->setReadOnly(true);
    m_pLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pLog->setToolTip(QStringLiteral("Shows output from unzip and unrar"));
    m_pLog->installEventFilter(this);
    m_pLog->viewport()->installEventFilter(this);

    m_pStatus = new QLabel(this);
    m_pStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pStatus->setAutoFillBackground(true);
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
    m_arrGroups = {pProcess, pFolders, pGeneral};

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
    const int nName = static_cast<int>(nWidth * 0.39);
    const int nResult = static_cast<int>(nWidth * 0.17);
    QHeaderView* pHeader = m_pListView->header();
    pHeader->resizeSection(CJobList::COLUMN_NAME, nName);
    pHeader->resizeSection(CJobList::COLUMN_RESULT, nResult);
    pHeader->resizeSection(CJobList::COLUMN_OUTPUT, nWidth - nName - nResult);  // and it follows the window
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
    setWindowIcon(CLocalImageList::ProgramIcon());
    TrayIcon()->setIcon(CLocalImageList::ProgramIcon());
    TrayIcon()->setToolTip(QStringLiteral("Harvex"));
    // 4. columns: from the list's width once the layout has placed it (see eventFilter)
    // 6. tooltips follow "ShowTooltips" (see eventFilter)
    // 7. colours and the states of the controls
    QPalette statusPalette = m_pStatus->palette();
    statusPalette.setColor(QPalette::Window, FromRgb(m_nStatusBackground));
    m_pStatus->setPalette(statusPalette);
    QPalette logPalette = m_pLog->palette();
    logPalette.setColor(QPalette::Base, FromRgb(LOG_BACKGROUND));
    logPalette.setColor(QPalette::Text, Qt::black);
    m_pLog->setPalette(logPalette);
    const QColor face = palette().color(QPalette::Button);
    const int r = face.red(), g = face.green(), b = face.blue();
    QPalette dropPalette = m_pDropLabel->palette();
    dropPalette.setColor(QPalette::WindowText, QColor((r + 100) % 255, (g + 140) % 255, b));
    m_pDropLabel->setPalette(dropPalette);
    QPalette menuPalette = m_pMenuLabel->palette();
    menuPalette.setColor(QPalette::WindowText, QColor(r, (g + 140) % 255, (b + 140) % 255));
    m_pMenuLabel->setPalette(menuPalette);
    const int arrValues[BOX_COUNT] = {m_settings.bMainFolder, m_settings.bSample, m_settings.bSubs,
                                      m_settings.bSubsFolder, m_settings.bCovers, m_settings.bNfo,
                                      m_settings.bTest,       m_settings.bCleanUp};
    for (int n = 0; n < BOX_COUNT; ++n)
        m_arrBoxes[static_cast<std::size_t>(n)]->setChecked(arrValues[n] != 0);
    SyncMainOptions();
    m_pDriver->bPasswordPrompt = m_settings.bPasswordPrompt;
    m_pDriver->endPreferences = {m_settings.bCloseOnOk, m_settings.bRestoreOnOk, m_settings.bCloseOnError,
                                 m_settings.bRestoreOnError};
    m_bInitialised = true;
    UpdateEnabledStates();
    // 8. the command line's items
    if (bCmdLinePending)
        AddCommandLineItems();
    // 9. administrator rights
    m_bAdministrator = HasAdministratorRights();
    // 10. the unzip library
    InitUnzip(m_unzip, m_tools.strUnzipDll);
    m_pDriver->strUnrarExe = m_tools.strUnrarExe;
    m_pDriver->pUnzip = &m_unzip;
}

void CQuarnelDlg::ConnectDriver() {
    CDriver* pDriver = m_pDriver.get();
    pDriver->pPasswordPrompt = m_pPasswordPrompt.get();
    pDriver->fnAreToolsPresent = [this] { return AreToolsPresent(m_tools); };
    pDriver->fnResolveOutputFolder = [this](int nRow) { return m_output.ResolveOutputFolder(nRow); };
    connect(pDriver, &CDriver::StatusChanged, this, &CQuarnelDlg::OnStatusChanged);
    connect(pDriver, &CDriver::RunStarted, this, &CQuarnelDlg::OnRunStarted);
    connect(pDriver, &CDriver::RowStarted, this, &CQuarnelDlg::OnRowStarted);
    connect(pDriver, &CDriver::RunFinished, this, &CQuarnelDlg::OnRunFinished);
    connect(pDriver, &CDriver::TraySummaryChanged, this, &CQuarnelDlg::RefreshTraySummary);
    connect(&m_list, &CJobList::TraySummaryRefreshRequested, this, &CQuarnelDlg::RefreshTraySummary);
    connect(&m_list, &CJobList::LogAndStatusClearRequested, this, [this] {
        m_pDriver->log.Clear();
        ClearLogText();
        OnStatusChanged(QString(), 0xFFFFFF, 0, 0);
    });

    // The progress and log notifications: the driver's own when it has them, otherwise
    // derived from the row notifications and the log's listener.
    const QMetaObject& meta = CDriver::staticMetaObject;
    if (meta.indexOfSignal("ProgressStarted(int,bool)") >= 0) {
        connect(pDriver, SIGNAL(ProgressStarted(int, bool)), this, SLOT(OnProgressStarted(int, bool)));
        connect(pDriver, SIGNAL(ProgressStopped(int)), this, SLOT(OnProgressStopped(int)));
    } else {
        connect(pDriver, &CDriver::RowStarted, this,
                [this](int nRow) { OnProgressStarted(m_list.RowId(nRow), false); });
        connect(pDriver, &CDriver::RowFinished, this,
                [this](int nRow) { OnProgressStopped(m_list.RowId(nRow)); });
    }
    if (meta.indexOfSignal("LogAppended(QString)") >= 0) {
        connect(pDriver, SIGNAL(LogAppended(QString)), this, SLOT(AppendLogText(QString)));
        connect(pDriver, SIGNAL(LogCleared()), this, SLOT(ClearLogText()));
    } else {
        pDriver->log.SetListener([this](const std::string& strText) {
            QMetaObject::invokeMethod(this, "AppendLogText", Qt::QueuedConnection,
                                      Q_ARG(QString, QString::fromStdString(strText)));
        });
        connect(pDriver, &CDriver::RowStarted, this, &CQuarnelDlg::ClearLogText);
    }
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
    std::vector<int> arrRows;
    for (const QModelIndex& index : m_pListView->selectionModel()->selectedRows())
        arrRows.push_back(index.row());
    std::sort(arrRows.begin(), arrRows.end());
    return arrRows;
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
        QToolTip::showText(
            pHelp->globalPos(),
            QStringLiteral("<div style='max-width:400px'>%1</div>").arg(pWidget->toolTip().toHtmlEscaped()),
            pWidget, QRect(), 5000);
        return true;
    }
    if (pObject == m_pListView->viewport() && pEvent->type() == QEvent::Resize && !m_bColumnsSized &&
        m_bInitialised && m_pListView->isVisible()) {
        // The columns are made once, from the width the list first has on screen.
        m_bColumnsSized = true;
        SizeColumns(m_pListView->viewport()->width());
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
    return CLocalTrayDialog::eventFilter(pObject, pEvent);
}
