#pragma once
// The main window: the job list, the option boxes for new items, the command
// buttons, the status line and the process output. It owns the settings, the
// presets and the history, the job list, the driver and the output-folder rules
// for the program's whole run, and it can hide itself in the tray.
//
// Threads: GUI thread only. Everything a worker produces arrives through the
// driver's signals (queued to this thread). A modal window (the password prompt,
// a message box, a file dialog) runs its own event loop: hand-overs, drops and list
// edits arriving meanwhile wait in a queue until it closes, so the records the
// driver holds never change under it.

#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/CThemeHelperST.h"
#include "controls/CTrayDialog.h"
#include "engine/CDriver.h"
#include "engine/CItemAdder.h"
#include "engine/CJobList.h"
#include "engine/COutputFolders.h"
#include "engine/UnzipExtract.h"
#include "platform/ToolPaths.h"
#include "settings/CPresets.h"
#include "settings/CSettings.h"

class QAction;
class QMenu;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class CColorEdit;
class CColorStatic;
class CDropTarget;
class CLabel;
class CGuiMessageBox;
class CDialogPasswordPrompt;
class CReportWindows;
class CUpdateCheck;

class CQuarnelDlg : public CTrayDialog {
    Q_OBJECT
public:
    // One action per command: the button, the menu entry and the shortcut share it.
    enum ECommand {
        CMD_CLEAR_LIST,
        CMD_RESET_LIST,
        CMD_REMOVE_SUCCESSFUL,
        CMD_PRESETS,
        CMD_PREFERENCES,
        CMD_EXIT,  // also Esc
        CMD_HELP,
        CMD_UPDATE,
        CMD_DONATE,
        CMD_KILL,
        CMD_PAUSE,
        CMD_GO,
        CMD_DELETE,
        CMD_SELECT_ALL,
        CMD_RESET_SELECTED,
        CMD_SKIP,
        CMD_MOVE_UP,
        CMD_MOVE_DOWN,
        CMD_MOVE_TOP,
        CMD_MOVE_BOTTOM,
        CMD_RANDOM_STATUS_COLOUR,  // Ctrl+J
        CMD_TO_TRAY,               // F9
        CMD_ANIMATE_ICON,          // Ctrl+X
        CMD_COUNT
    };
    // The eight option boxes.
    enum EOptionBox {
        BOX_KEEP_FOLDER,
        BOX_SAMPLE,
        BOX_SUBS,
        BOX_SUBS_FOLDER,
        BOX_COVERS,
        BOX_NFO,
        BOX_TEST,
        BOX_CLEAN_UP,
        BOX_COUNT
    };
    // Window timers, with the ids the progress display has always used.
    enum ETimer {
        TIMER_STATUS_ERASE = 1,
        TIMER_EXTRACT_FRAMES = 2,
        TIMER_BAR = 3,
        TIMER_TEST_FRAMES = 4,
        TIMER_TRAY = 5,
        TIMER_STATUS = 10
    };

    static constexpr uint32_t STATUS_BACKGROUND = 0xC3D3FD;  // RGB(195,211,253)
    static constexpr uint32_t LOG_BACKGROUND = 0xC0D6C0;     // RGB(192,214,192)

    explicit CQuarnelDlg(QWidget* pParent = nullptr);
    ~CQuarnelDlg() override;

    // --- filled before Initialise (CQuarnelApp) ------------------------------------
    std::string strVersion;
    std::string strTitle;
    std::vector<std::string> arrCmdLine;
    bool bCmdLinePending = false;
    QString strDonateUrl = QStringLiteral("https://harvex.invalid/donate");

    // The window's initialisation, in its fixed order. bLoadSettings false keeps the
    // records as they are (tests fill them first).
    void Initialise(bool bLoadSettings = true);

    // --- hand-over and show request ----------------------------------------------------
    void OnHandOver(const std::vector<std::string>& arrPieces);
    void OnShowRequest() { BringToFront(false); }
    void BringToFront(bool bForceForeground);
    static bool IsFullScreenWindowActive();

    // --- commands -----------------------------------------------------------------------
    void Go();
    void ExitProgram();
    void ShowStatus(const QString& strText, int nMilliseconds, bool bFast);
    void SetStatusColours(uint32_t nText, uint32_t nBack);
    void SetProcessingTimers(bool bOn);
    void RefreshTraySummary();
    void AddPaths(const QStringList& arrPaths);
    void AddCommandLineItems();
    void AddChosenFolder(const std::string& strFolder);
    void ShowItemMenu(const QPoint& ptGlobal);
    void OpenReport(int nRow);
    // The secondary windows; each runs modally and counts as a modal window of ours.
    void OpenPresets();
    void OpenPreferences();
    void OpenHelp();
    // The weekly update check at start-up; it never makes the window wait.
    void StartSilentUpdateCheck();
    bool IsProcessing() const { return m_pDriver->IsProcessing(); }

    // Runs fnEdit now, or after the open modal window has closed.
    void RunWhenNoModal(std::function<void()> fnEdit);
    // Counts a modal window of ours (the prompt, message boxes, file dialogs).
    void EnterModal();
    void LeaveModal();
    bool IsModalOpen() const { return m_nModalDepth > 0; }

    // --- parts (the item menu and the tests use them) -----------------------------------
    CJobList& List() { return m_list; }
    CDriver& Driver() { return *m_pDriver; }
    COutputFolders& Output() { return m_output; }
    CItemAdder& Adder() { return m_adder; }
    CSettings& Settings() { return m_settings; }
    std::vector<CPresets>& Presets() { return m_arrPresets; }
    const CToolPaths& Tools() const { return m_tools; }
    void SetTools(const CToolPaths& tools) { m_tools = tools; }
    CDropTarget* ListView() { return m_pListView; }
    QAction* Action(ECommand nCommand) { return m_arrActions[nCommand]; }
    QPushButton* Button(ECommand nCommand);
    QCheckBox* Box(EOptionBox nBox) { return m_arrBoxes[nBox]; }
    CColorStatic* StatusLine() { return m_pStatus; }
    CColorEdit* LogBox() { return m_pLog; }
    QTimer* Timer(ETimer nTimer);
    uint32_t StatusBackground() const { return m_nStatusBackground; }
    std::vector<int> SelectedRows() const;
    bool IsAdministrator() const { return m_bAdministrator; }
    CUnzipContext& Unzip() { return m_unzip; }
    CUpdateCheck& UpdateCheck() { return *m_pUpdateCheck; }
    CReportWindows& Reports() { return *m_pReports; }
    CDialogPasswordPrompt& PasswordPrompt() { return *m_pPasswordPrompt; }
    int AnimationCounter() const { return m_nAnimationCounter; }
    // Sets the column widths from the list's width (39 %, 17 %, the rest).
    void SizeColumns(int nWidth);

    // The message box and the password prompt the engine talks to.
    CMessageBox& MessageBox();

signals:
    // A message for the desktop at the end of a run while hidden in the tray.
    void RunNotified(const QString& strTitle, const QString& strText);
    // The item menu is about to run its own loop (tests and the screenshot helper use it).
    void ItemMenuShown(QMenu* pMenu);

protected:
    void OnTrayExit() override;
    void closeEvent(QCloseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    // construction (CQuarnelDlg.cpp)
    void CreateActions();
    void CreateControls();
    QPushButton* MakeButton(ECommand nCommand);
    void ApplyTooltips();
    void ConnectDriver();

    // commands (CQuarnelDlgCommands.cpp)
    void OnCommand(ECommand nCommand);
    void OnOptionBox(EOptionBox nBox, bool bChecked);
    void SyncMainOptions();
    void UpdateEnabledStates();
    void DeleteSelected();
    void MoveSelected(ECommand nCommand);
    void OnRunStarted();
    void ShowAddResult(const CItemAdder::CResult& result);
    void OnRunFinished(int nEndAction);
    void OnAnimationTick();
    void OnTooltipsChanged(bool bShow);
    void ApplyRunPreferences();

private slots:
    // progress display (CQuarnelDlgProgress.cpp); connected by name so that they follow
    // whichever notifications the driver offers
    void OnStatusChanged(const QString& strText, uint nText, uint nBack, int nHoldMs);
    void OnProgressStarted(int nId, bool bMarquee);
    void OnProgressStopped(int nId);
    void AppendLogText(const QString& strText);
    void ClearLogText();

private:
    void OnStatusTick();
    void OnStatusEraseTick();
    void OnFrameTick(bool bTest);
    void OnBarTick();
    void OnTrayTick();
    void ApplyStatusColours();
    void NotifyRunEnd();

    CSettings m_settings;
    std::vector<CPresets> m_arrPresets;
    CJobList m_list;
    COutputFolders m_output{m_list, m_settings};
    CItemAdder m_adder{m_list, m_output};
    std::unique_ptr<CDriver> m_pDriver;
    std::unique_ptr<CGuiMessageBox> m_pMessageBox;
    std::unique_ptr<CDialogPasswordPrompt> m_pPasswordPrompt;
    CUpdateCheck* m_pUpdateCheck = nullptr;  // children of the window
    CReportWindows* m_pReports = nullptr;
    CUnzipContext m_unzip;
    CToolPaths m_tools;
    bool m_bAdministrator = false;

    std::array<QAction*, CMD_COUNT> m_arrActions{};
    std::array<QPushButton*, CMD_COUNT> m_arrButtons{};
    std::array<QCheckBox*, BOX_COUNT> m_arrBoxes{};
    CDropTarget* m_pListView = nullptr;
    CColorStatic* m_pStatus = nullptr;
    CColorEdit* m_pLog = nullptr;
    CLabel* m_pDropLabel = nullptr;
    CLabel* m_pMenuLabel = nullptr;
    CThemeHelperST m_theme;

    // status line
    QTimer m_statusTimer;       // 10
    QTimer m_statusEraseTimer;  // 1
    int m_nStatusTicks = 0;
    int m_nStatusHoldTicks = 0;
    uint32_t m_nStatusBackground = STATUS_BACKGROUND;
    uint32_t m_nStatusText = 0xFFFFFF;
    uint32_t m_nStatusBack = STATUS_BACKGROUND;

    // progress display
    QTimer m_extractTimer;  // 2
    QTimer m_barTimer;      // 3
    QTimer m_testTimer;     // 4
    QTimer m_trayTimer;     // 5
    int m_nProgressId = -1;
    bool m_bProgressTest = false;

    // Ctrl+X
    QTimer m_animationTimer;
    int m_nAnimationCounter = 2;

    int m_nModalDepth = 0;
    std::vector<std::function<void()>> m_arrDeferred;
    bool m_bExitAfterRun = false;
    bool m_bClosing = false;
};
