// A second real harvex process hands its items to the running window.

#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "WindowHarness.h"
#include "app/CInstanceChannel.h"
#include "platform/CSingleInstance.h"
#include "tests/fixtures/CChildRun.h"
#include "tests/fixtures/TestFiles.h"

namespace {

// The running window with its channel; the second process runs on a thread while
// this one keeps its event loop going.
struct CRunningInstance {
    explicit CRunningInstance(CWindowHarness& h) : harness(h), channel(instance) {
        EXPECT_TRUE(instance.Acquire());
        channel.fnHandOver = [this](const std::vector<std::string>& a) { harness.Dlg().OnHandOver(a); };
        channel.fnShow = [this] {
            ++nShowRequests;
            harness.Dlg().OnShowRequest();
        };
        EXPECT_TRUE(channel.Start());
    }

    CChildResult RunSecond(const std::vector<std::string>& arrArgs) {
        CChildRunOptions options;
        options.arrEnv = {"HARVEX_REGISTRY_DIR=" + harness.strRegistry,
                          "XDG_RUNTIME_DIR=" + harness.strRuntime, "QT_QPA_PLATFORM=offscreen"};
        options.nTimeoutSeconds = 30;
        std::vector<std::string> arrCommand{HARVEX_BIN_DIR "/harvex"};
        arrCommand.insert(arrCommand.end(), arrArgs.begin(), arrArgs.end());
        CChildResult result;
        bool bDone = false;
        std::thread runner([&] {
            result = RunChild(arrCommand, options);
            bDone = true;
        });
        QTest::qWaitFor([&] { return bDone; }, 40000);
        runner.join();
        return result;
    }

    CWindowHarness& harness;
    CSingleInstance instance;
    CInstanceChannel channel;
    int nShowRequests = 0;
};

}  // namespace

TEST(HandOverTest, SecondProcessHandsTwoFoldersOverInOrderAndBringsTheWindowForward) {
    CWindowHarness h("handover-plain");
    const std::string strA = h.tmp.MakeDir("B.Second");
    const std::string strB = h.tmp.MakeDir("A.First");
    h.Show();
    CRunningInstance running(h);
    const CChildResult result = running.RunSecond({strA, strB});
    ASSERT_TRUE(result.bStarted);
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    EXPECT_EQ(h.Names(), std::vector<std::string>({"B.Second", "A.First"}));
    EXPECT_EQ(running.nShowRequests, 1);
}

TEST(HandOverTest, PresetSelectorAppliesToThePathsAfterItAndStartsWithoutTheShowRequest) {
    CWindowHarness h("handover-preset");
    CPresets preset;
    preset.strName = "Tests";
    preset.bTest = 1;
    h.Dlg().Presets() = {preset};
    const std::string strBefore = h.tmp.MakeDir("Before");
    const std::string strAfter = h.tmp.MakeDir("After");
    const std::string strOld = h.tmp.MakeDir("Old");
    h.Show();
    h.Dlg().AddPaths({QString::fromStdString(strOld)});  // no preset: pruned before the batch
    CRunningInstance running(h);
    const CChildResult result = running.RunSecond({strBefore, "?Preset1?", strAfter});
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    EXPECT_EQ(running.nShowRequests, 0);
    EXPECT_EQ(h.Names(), std::vector<std::string>({"Before", "After"}));
    EXPECT_EQ(h.List().ItemAtRow(0)->nPreset, -1);
    EXPECT_EQ(h.List().ItemAtRow(1)->nPreset, 0);
    // The batch starts by itself (UWM_AUTO_START).
    ASSERT_TRUE(QTest::qWaitFor([&] { return !h.List().ItemAtRow(1)->strStatus.empty(); }, 20000));
    h.WaitForRunEnd();
}

TEST(HandOverTest, HandOverWhileTheStartsOwnItemsArePendingIsAddedAfterThem) {
    CWindowHarness h("handover-pending");
    const std::string strOwn = h.tmp.MakeDir("Own");
    const std::string strLater = h.tmp.MakeDir("Later");
    h.Dlg().arrCmdLine = {strOwn};
    h.Dlg().bCmdLinePending = true;
    h.Dlg().OnHandOver({strLater});
    EXPECT_EQ(h.Names(), std::vector<std::string>({"Own", "Later"}));
    EXPECT_FALSE(h.Dlg().bCmdLinePending);
}

TEST(HandOverTest, HandOverDuringAModalWindowIsAddedWhenItCloses) {
    CWindowHarness h("handover-modal");
    const std::string strLater = h.tmp.MakeDir("Later");
    h.Show();
    CRunningInstance running(h);
    h.Dlg().EnterModal();
    const CChildResult result = running.RunSecond({strLater});
    EXPECT_EQ(result.nExitCode, 0) << result.strOutput;
    EXPECT_EQ(h.List().RowCount(), 0);
    h.Dlg().LeaveModal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.List().RowCount() == 1; }, 1000));
}

TEST(HandOverTest, VersionAndHelpAreOurOwnOptions) {
    CChildResult version = RunChild({HARVEX_BIN_DIR "/harvex", "--version"});
    EXPECT_EQ(version.nExitCode, 0);
    EXPECT_EQ(version.strOutput, "harvex " HARVEX_VERSION_TEXT "\n");
    CChildResult help = RunChild({HARVEX_BIN_DIR "/harvex", "--help"});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_NE(help.strOutput.find("--version"), std::string::npos);
    CChildResult unknown = RunChild({HARVEX_BIN_DIR "/harvex", "--bogus"});
    EXPECT_EQ(unknown.nExitCode, 2);
}

TEST(HandOverTest, StartInTrayShowsTheWindowWhenThereIsNoTray) {
    if (CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    CWindowHarness h("start-tray");
    h.Dlg().SetStartInTray(true);
    h.Dlg().Initialise(false);
    h.Dlg().show();
    EXPECT_TRUE(h.Dlg().isVisible());
    EXPECT_FALSE(h.Dlg().StartInTray());
}

TEST(HandOverTest, StartInTrayStaysHiddenWithATrayUntilRestored) {
    if (!CWindowHarness::TrayAvailable())
        GTEST_SKIP() << "no tray on this desktop";
    CWindowHarness h("start-tray2");
    h.Dlg().SetStartInTray(true);
    h.Dlg().Initialise(false);
    h.Dlg().show();
    EXPECT_FALSE(h.Dlg().isVisible());
    EXPECT_TRUE(h.Dlg().IsHiddenInTray());
    h.Dlg().OnShowRequest();
    EXPECT_TRUE(h.Dlg().isVisible());
    EXPECT_FALSE(h.Dlg().StartInTray());
}

// The window runs the unzip library and the copies in its own process: a file-size limit
// or a closed pipe must fail a write, not end the window. Read off a real harvex process.
TEST(HandOverTest, TheWindowProcessIgnoresTheWriteSignals) {
    CWindowHarness h("signals");  // its own registry and runtime folder: this start is the first
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(HARVEX_BIN_DIR "/harvex", "harvex", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    const std::string strStatus = "/proc/" + std::to_string(pid) + "/status";
    const unsigned long long nWanted = (1ULL << (SIGXFSZ - 1)) | (1ULL << (SIGPIPE - 1));
    unsigned long long nIgnored = 0;
    for (int n = 0; n < 500 && (nIgnored & nWanted) != nWanted; ++n) {
        std::ifstream in(strStatus);
        std::string strLine;
        while (std::getline(in, strLine))
            if (strLine.rfind("SigIgn:", 0) == 0)
                nIgnored = std::stoull(strLine.substr(7), nullptr, 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(nIgnored & nWanted, nWanted) << std::hex << nIgnored;
}
