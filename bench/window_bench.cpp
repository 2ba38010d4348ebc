// window-bench: the main window under load.
//   1. 10,000 folders dropped on the list in one drop, then "Clear list": time of each.
//   2. A 1 GiB RAR extraction: how late a 10 ms timer of the GUI thread fires
//      (the time the window would take to answer input).
//   3. Idle with a full list: the process's CPU time over a quiet stretch.
// Runs on the platform Qt picks (offscreen when QT_QPA_PLATFORM says so).
// Usage: window-bench [--items N] [--gib G] [--idle-seconds S]

#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "app/CQuarnelDlg.h"
#include "engine/CDriver.h"
#include "platform/Version.h"
#include "tests/fixtures/CRarWriter.h"
#include "tests/fixtures/CTempDir.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for nMs without spinning: the process sleeps while nothing happens.
void Wait(int nMs) {
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<CQuarnelDlg> MakeWindow() {
    auto pDlg = std::make_unique<CQuarnelDlg>();
    pDlg->strTitle = HARVEX_TITLE_TEXT;
    CToolPaths tools;
    tools.strInstallDir = HARVEX_BIN_DIR;
    tools.strUnrarExe = HARVEX_BIN_DIR "/unrar";
    tools.strUnzipDll = HARVEX_BIN_DIR "/libunzdll.so";
    pDlg->SetTools(tools);
    pDlg->Initialise(false);
    pDlg->resize(900, 650);
    pDlg->show();
    Wait(200);
    return pDlg;
}

}  // namespace

int main(int argc, char** argv) {
    int nItems = 10000;
    int nGib = 1;
    int nIdleSeconds = 5;
    for (int n = 1; n + 1 < argc; n += 2) {
        if (std::strcmp(argv[n], "--items") == 0)
            nItems = std::atoi(argv[n + 1]);
        else if (std::strcmp(argv[n], "--gib") == 0)
            nGib = std::atoi(argv[n + 1]);
        else if (std::strcmp(argv[n], "--idle-seconds") == 0)
            nIdleSeconds = std::atoi(argv[n + 1]);
    }
    CTempDir tmp("window-bench");
    setenv("HARVEX_REGISTRY_DIR", tmp.MakeDir("registry").c_str(), 1);
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // 1. one drop of many folders, then Clear list
    {
        QStringList arrPaths;
        const std::string strRoot = tmp.MakeDir("items");
        for (int n = 0; n < nItems; ++n) {
            const std::string strPath = strRoot + "/Release." + std::to_string(n);
            mkdir(strPath.c_str(), 0755);
            arrPaths << QString::fromStdString(strPath);
        }
        auto pDlg = MakeWindow();
        QElapsedTimer timer;
        timer.start();
        pDlg->AddPaths(arrPaths);
        QApplication::processEvents();  // the view lays out and paints the new rows
        const double dAdd = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        std::printf("drop of %d folders: %.3f s (%d rows)\n", nItems, dAdd, pDlg->List().RowCount());

        // 3. idle with the full list
        Wait(500);
        const double dCpuStart = CpuSeconds();
        QElapsedTimer idle;
        idle.start();
        Wait(nIdleSeconds * 1000);
        const double dCpu = CpuSeconds() - dCpuStart;
        std::printf("idle with %d rows: %.3f s CPU in %.1f s (%.2f %%)\n", pDlg->List().RowCount(), dCpu,
                    static_cast<double>(idle.elapsed()) / 1000.0,
                    100.0 * dCpu * 1000.0 / static_cast<double>(idle.elapsed()));

        timer.restart();
        pDlg->Button(CQuarnelDlg::CMD_CLEAR_LIST)->click();
        QApplication::processEvents();
        std::printf("clear list of %d rows: %.3f s (%d rows left)\n", nItems,
                    static_cast<double>(timer.nsecsElapsed()) / 1e9, pDlg->List().RowCount());
    }

    // 2. the event loop during a large extraction
    if (nGib > 0) {
        const std::string strRel = tmp.MakeDir("Big.Release");
        const std::string strSource = tmp.Sub("big.bin");
        {
            std::ofstream out(strSource, std::ios::binary);
            std::string strBlock(1 << 20, '\0');
            for (std::size_t n = 0; n < strBlock.size(); ++n)
                strBlock[n] = static_cast<char>((n * 2654435761u) >> 13);
            for (int n = 0; n < nGib * 1024; ++n)
                out.write(strBlock.data(), static_cast<std::streamsize>(strBlock.size()));
        }
        CRarOptions options;
        options.nVolumeSize = 100 * 1024 * 1024;
        CRarWriter set(options);
        set.AddFileFromDisk("big.bin", strSource);
        set.Write(strRel + "/big.rar");
        std::remove(strSource.c_str());

        auto pDlg = MakeWindow();
        pDlg->AddPaths({QString::fromStdString(strRel)});
        QTimer probe;
        probe.setInterval(10);
        QElapsedTimer run;
        QElapsedTimer since;
        qint64 nWorst = 0;
        qint64 nSum = 0;
        int nTicks = 0;
        int nOver50 = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 nLate = since.elapsed() - 10;
            nWorst = std::max(nWorst, nLate);
            nSum += std::max<qint64>(nLate, 0);
            if (nLate >= 50) {
                ++nOver50;
                if (std::getenv("WINDOW_BENCH_TRACE"))
                    std::printf("  late %lld ms at %lld ms\n", static_cast<long long>(nLate),
                                static_cast<long long>(run.elapsed()));
            }
            ++nTicks;
            since.restart();
        });
        run.start();
        if (std::getenv("WINDOW_BENCH_TRACE")) {
            for (const char* pszSignal :
                 {"RowStarted", "ProgressStarted", "ProgressStopped", "RowFinished"}) {
                const QByteArray name(pszSignal);
                auto fnTrace = [&run, name] {
                    std::printf("  %s at %lld ms\n", name.constData(), static_cast<long long>(run.elapsed()));
                };
                if (name == "RowStarted")
                    QObject::connect(&pDlg->Driver(), &CDriver::RowStarted, fnTrace);
                else if (name == "ProgressStarted")
                    QObject::connect(&pDlg->Driver(), &CDriver::ProgressStarted, fnTrace);
                else if (name == "ProgressStopped")
                    QObject::connect(&pDlg->Driver(), &CDriver::ProgressStopped, fnTrace);
                else
                    QObject::connect(&pDlg->Driver(), &CDriver::RowFinished, fnTrace);
            }
        }
        since.start();
        probe.start();
        QEventLoop loop;
        QObject::connect(&pDlg->Driver(), &CDriver::RunFinished, &loop, &QEventLoop::quit);
        pDlg->Go();
        if (pDlg->IsProcessing())
            loop.exec();
        probe.stop();
        const CListItem* pItem = pDlg->List().ItemAtRow(0);
        std::printf(
            "extraction of %d GiB: %.1f s, result \"%s\"; event loop late by at most %lld ms (mean %.2f ms "
            "over %d ticks)\n",
            nGib, static_cast<double>(run.elapsed()) / 1000.0, pItem ? pItem->strResult.c_str() : "?",
            static_cast<long long>(nWorst), nTicks ? static_cast<double>(nSum) / nTicks : 0.0, nTicks,
            nOver50);
    }
    return 0;
}
