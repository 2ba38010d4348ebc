// driver-bench: measurements of the processing driver that need the driver in-process.
//
//   driver-bench latency ITEM OUTPUT      runs ITEM (a folder, RAR or ZIP) through the driver
//                                         while a 10 ms timer measures how late the event loop
//                                         answers; prints the elapsed time and the lateness
//   driver-bench items N WORKDIR          N one-entry ZIP items through the driver, against the
//                                         unzip library called alone on the same N archives;
//                                         prints the driver's own overhead per item
//
// Uses build/bin/unrar and build/bin/libunzdll.so beside the program.

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/BatchParts.h"
#include "engine/CDriver.h"
#include "engine/CJobList.h"
#include "engine/UnzipExtract.h"

namespace {

std::string ProgramFolder() {
    char szPath[PATH_MAX + 1] = {};
    const ssize_t n = readlink("/proc/self/exe", szPath, PATH_MAX);
    std::string strPath(szPath, n > 0 ? static_cast<std::size_t>(n) : 0);
    return strPath.substr(0, strPath.rfind('/'));
}

struct CRig {
    std::vector<CPresets> arrPresets;
    CSettings settings;
    CJobList list;
    CUnzipContext unzip;
    CDriver driver{list};

    CRig() {
        CMainOptions options;
        options.bMainFolder = 0;
        options.bNfo = 0;
        options.bSubs = 0;
        list.SetMainOptions(options);
        list.SetPresets(&arrPresets);
        const std::string strBin = ProgramFolder();
        InitUnzip(unzip, strBin + "/libunzdll.so");
        driver.strUnrarExe = strBin + "/unrar";
        driver.pUnzip = &unzip;
        driver.fnResolveOutputFolder = [this](int nRow) { return ResolveBatchOutput(list, settings, nRow); };
    }

    void Add(const std::string& strPath, const std::string& strOutput) {
        struct stat st {};
        stat(strPath.c_str(), &st);
        CListItem item;
        MakeBatchItem(strPath, S_ISDIR(st.st_mode), item);
        item.bOutputToInput = 0;
        item.strOutputFolder = strOutput;
        list.AddItem(item);
    }

    void Run() {
        QEventLoop loop;
        QObject::connect(&driver, &CDriver::RunFinished, &loop, &QEventLoop::quit);
        if (driver.Go() == CDriver::EGoResult::Started)
            loop.exec();
    }
};

int Latency(const std::string& strItem, const std::string& strOutput) {
    CRig rig;
    rig.Add(strItem, strOutput);
    QElapsedTimer clock;
    std::vector<double> arrLate;
    qint64 nExpected = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 nNow = clock.nsecsElapsed();
        arrLate.push_back(std::max<qint64>(0, nNow - nExpected) / 1e6);
        nExpected = nNow + 10'000'000;
    });
    clock.start();
    nExpected = 10'000'000;
    tick.start(10);
    rig.Run();
    const double dSeconds = clock.nsecsElapsed() / 1e9;
    tick.stop();
    std::sort(arrLate.begin(), arrLate.end());
    const double dMax = arrLate.empty() ? 0 : arrLate.back();
    const double dP99 = arrLate.empty() ? 0 : arrLate[arrLate.size() * 99 / 100];
    std::printf("result %s\n", rig.list.Item(0).strStatus.c_str());
    std::printf("elapsed %.3f s, ticks %zu, lateness max %.2f ms, p99 %.2f ms\n", dSeconds, arrLate.size(),
                dMax, dP99);
    return rig.list.Item(0).strStatus == "Completed OK" && dMax <= 50.0 ? 0 : 1;
}

bool WriteSmallZip(const std::string& strPath, int n) {
    int nError = 0;
    zip_t* pZip = zip_open(strPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    if (pZip == nullptr)
        return false;
    static const std::string strData(4096, 'x');
    zip_source_t* pSource = zip_source_buffer(pZip, strData.data(), strData.size(), 0);
    zip_file_add(pZip, ("file" + std::to_string(n) + ".txt").c_str(), pSource, 0);
    return zip_close(pZip) == 0;
}

int Items(int nCount, const std::string& strWork) {
    std::filesystem::remove_all(strWork);
    std::filesystem::create_directories(strWork + "/zips");
    std::vector<std::string> arrZips;
    for (int i = 0; i < nCount; ++i) {
        arrZips.push_back(strWork + "/zips/item" + std::to_string(i) + ".zip");
        if (!WriteSmallZip(arrZips.back(), i))
            return 1;
    }
    // The library alone: one call per archive, into one folder.
    std::filesystem::create_directories(strWork + "/alone");
    CUnzipContext unzip;
    InitUnzip(unzip, ProgramFolder() + "/libunzdll.so");
    QElapsedTimer clock;
    clock.start();
    for (const std::string& strZip : arrZips) {
        CZipJob job;
        job.strArchive = strZip;
        job.strOutputFolder = strWork + "/alone";
        job.strInputPath = strWork + "/zips";
        CExtractState state;
        std::vector<std::string> arrErrors;
        state.pErrors = &arrErrors;
        RunUnzip(job, unzip, state);
    }
    const double dAlone = clock.nsecsElapsed() / 1e9;

    std::filesystem::create_directories(strWork + "/driver");
    CRig rig;
    for (const std::string& strZip : arrZips)
        rig.Add(strZip, strWork + "/driver");
    clock.restart();
    rig.Run();
    const double dDriver = clock.nsecsElapsed() / 1e9;
    int nOk = 0;
    for (const CListItem& item : rig.list.Items())
        nOk += item.strStatus == "Completed OK";
    std::printf("items %d, completed %d\n", nCount, nOk);
    std::printf("library alone %.3f s (%.3f ms/item), driver %.3f s (%.3f ms/item), overhead %.3f ms/item\n",
                dAlone, dAlone * 1000 / nCount, dDriver, dDriver * 1000 / nCount,
                (dDriver - dAlone) * 1000 / nCount);
    return nOk == nCount ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> arrArgs(argv + 1, argv + argc);
    if (arrArgs.size() == 3 && arrArgs[0] == "latency")
        return Latency(AbsolutePath(arrArgs[1]), AbsolutePath(arrArgs[2]));
    if (arrArgs.size() == 3 && arrArgs[0] == "items")
        return Items(std::atoi(arrArgs[1].c_str()), AbsolutePath(arrArgs[2]));
    std::fprintf(stderr, "usage: driver-bench latency ITEM OUTPUT | driver-bench items N WORKDIR\n");
    return 2;
}
