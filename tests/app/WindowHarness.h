#pragma once
// One main window for a test: a private registry folder and runtime folder (set in
// the environment before anything reads them), the real companion programs from
// the build folder, and a QApplication on the offscreen platform.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CQuarnelDlg.h"
#include "controls/CColorEdit.h"
#include "controls/CColorStatic.h"
#include "controls/CDropTarget.h"
#include "controls/CLabel.h"
#include "platform/Version.h"
#include "tests/fixtures/CTempDir.h"
#include "tests/support/DesktopTray.h"

inline QApplication* EnsureGuiApp() {
    if (QApplication::instance() == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        static QApplication* pApp = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return pApp;
    }
    return qobject_cast<QApplication*>(QApplication::instance());
}

inline bool ToolsBuilt() {
    struct stat st {};
    return stat(HARVEX_BIN_DIR "/unrar", &st) == 0 && stat(HARVEX_BIN_DIR "/libunzdll.so", &st) == 0;
}
#define REQUIRE_TOOLS()                                                              \
    do {                                                                             \
        if (!ToolsBuilt())                                                           \
            GTEST_SKIP() << "unrar or libunzdll.so is not built in " HARVEX_BIN_DIR; \
    } while (0)

class CWindowHarness {
public:
    explicit CWindowHarness(const std::string& strTag = "window") : tmp(strTag) {
        EnsureGuiApp();
        strRegistry = tmp.MakeDir("registry");
        strRuntime = tmp.MakeDir("runtime");
        chmod(strRuntime.c_str(), 0700);
        setenv("HARVEX_REGISTRY_DIR", strRegistry.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", strRuntime.c_str(), 1);
        pDlg = std::make_unique<CQuarnelDlg>();
        pDlg->strVersion = HARVEX_VERSION_TEXT;
        pDlg->strTitle = HARVEX_TITLE_TEXT;
        CToolPaths tools;
        tools.strInstallDir = HARVEX_BIN_DIR;
        tools.strUnrarExe = HARVEX_BIN_DIR "/unrar";
        tools.strUnzipDll = HARVEX_BIN_DIR "/libunzdll.so";
        pDlg->SetTools(tools);
    }
    ~CWindowHarness() {
        pDlg.reset();
        unsetenv("HARVEX_REGISTRY_DIR");
    }
    // Tray tests need a desktop with a tray; the offscreen platform has none.
    static bool TrayAvailable() {
        EnsureGuiApp();
        return DesktopHasTray();
    }

    // Initialises and shows the window at a known size.
    void Show(bool bLoadSettings = false) {
        pDlg->Initialise(bLoadSettings);
        pDlg->resize(900, 650);
        pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pDlg.get()));
        pDlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(pDlg.get()));
    }
    CQuarnelDlg& Dlg() { return *pDlg; }
    CDropTarget* View() { return pDlg->ListView(); }
    QWidget* Viewport() { return pDlg->ListView()->viewport(); }
    CJobList& List() { return pDlg->List(); }

    // Runs the event loop until the run has ended (false on time-out).
    bool WaitForRunEnd(int nTimeoutMs = 60000) {
        return QTest::qWaitFor([this] { return !pDlg->IsProcessing(); }, nTimeoutMs);
    }
    // The centre of a row's first cell in viewport coordinates.
    QPoint RowPoint(int nRow) { return View()->visualRect(List().index(nRow, 0)).center(); }
    // Clicks an option box on its check mark.
    void ClickBox(CQuarnelDlg::EOptionBox nBox) {
        QCheckBox* pBox = pDlg->Box(nBox);
        QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(6, pBox->height() / 2));
    }
    std::vector<std::string> Names() {
        std::vector<std::string> arrNames;
        for (int nRow = 0; nRow < List().RowCount(); ++nRow)
            arrNames.push_back(List().RowText(nRow, CJobList::COLUMN_NAME));
        return arrNames;
    }

    CTempDir tmp;
    std::string strRegistry;
    std::string strRuntime;
    std::unique_ptr<CQuarnelDlg> pDlg;
};
