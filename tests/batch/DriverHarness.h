#pragma once
// Runs the processing driver headless for the end-to-end tests: a job list, the
// driver with the real console RAR program and the real unzip library from the
// build folder, a scripted password prompt, and a QCoreApplication to deliver the
// posted messages.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "batch/BatchParts.h"
#include "engine/CDriver.h"
#include "engine/CJobList.h"
#include "engine/UnzipExtract.h"
#include "platform/ProcessSignals.h"

inline QCoreApplication* EnsureBatchTestApp() {
    IgnoreWriteSignals();  // what the programs' main does
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "batch_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* pApp = new QCoreApplication(argc, argv);
        return pApp;
    }
    return QCoreApplication::instance();
}

// The end-to-end tests need the console RAR program and the unzip library built beside
// the programs; a build without them skips those tests and says why.
inline bool ToolsBuilt() {
    struct stat st {};
    return stat(HARVEX_BIN_DIR "/unrar", &st) == 0 && stat(HARVEX_BIN_DIR "/libunzdll.so", &st) == 0;
}
#define REQUIRE_TOOLS()                                                              \
    do {                                                                             \
        if (!ToolsBuilt())                                                           \
            GTEST_SKIP() << "unrar or libunzdll.so is not built in " HARVEX_BIN_DIR; \
    } while (0)

// The person at the password dialog: answers from a script; an empty optional declines.
class CScriptedPrompt : public CPasswordPrompt {
public:
    std::deque<std::string> arrAnswers;  // "" declines
    std::vector<std::string> arrAsked;
    bool AskPassword(const std::string& strArchiveName, std::string& strPassword) override {
        arrAsked.push_back(strArchiveName);
        if (arrAnswers.empty() || arrAnswers.front().empty()) {
            if (!arrAnswers.empty())
                arrAnswers.pop_front();
            return false;
        }
        strPassword = arrAnswers.front();
        arrAnswers.pop_front();
        return true;
    }
};

class CDriverHarness {
public:
    CDriverHarness() {
        EnsureBatchTestApp();
        list.SetPresets(&arrPresets);
        options.bNfo = 0;
        options.bSubs = 0;
        options.bMainFolder = 0;
        list.SetMainOptions(options);
        InitUnzip(unzip, std::string(HARVEX_BIN_DIR) + "/libunzdll.so");
        driver.strUnrarExe = std::string(HARVEX_BIN_DIR) + "/unrar";
        driver.pUnzip = &unzip;
        driver.pPasswordPrompt = &prompt;
        driver.fnResolveOutputFolder = [this](int nRow) { return ResolveBatchOutput(list, settings, nRow); };
    }

    void SetOptions(const CMainOptions& newOptions) {
        options = newOptions;
        list.SetMainOptions(options);
    }

    // Adds a folder, RAR or ZIP item; strOutput empty extracts into the input folder.
    int Add(const std::string& strPath, const std::string& strOutput = std::string()) {
        struct stat st {};
        stat(strPath.c_str(), &st);
        CListItem item;
        EXPECT_TRUE(MakeBatchItem(strPath, S_ISDIR(st.st_mode), item)) << strPath;
        item.bOutputToInput = strOutput.empty() ? 1 : 0;
        item.strOutputFolder = strOutput;
        return list.AddItem(item);
    }

    // Go! and wait for the end of the run (at most nTimeoutMs). fnOnRowStart runs when a
    // row starts (tests use it to pause or kill at a chosen moment).
    bool Run(int nTimeoutMs = 60000) {
        QEventLoop loop;
        bool bFinished = false;
        QObject::connect(&driver, &CDriver::RunFinished, &loop, [&] {
            bFinished = true;
            loop.quit();
        });
        QTimer::singleShot(nTimeoutMs, &loop, &QEventLoop::quit);
        if (driver.Go() != CDriver::EGoResult::Started)
            return false;
        loop.exec();
        return bFinished;
    }

    const CListItem& Item(int nRow) const { return *list.ItemAtRow(nRow); }
    std::string Result(int nRow) const { return list.RowText(nRow, CJobList::COLUMN_RESULT); }
    std::string Errors(int nRow) const {
        std::string strAll;
        for (const std::string& strLine : Item(nRow).arrErrors)
            strAll += strLine;
        return strAll;
    }

    std::vector<CPresets> arrPresets;
    CSettings settings;
    CMainOptions options;
    CJobList list;
    CUnzipContext unzip;
    CScriptedPrompt prompt;
    CDriver driver{list};
};
