#pragma once
// Progress figures of the item being processed and the tray summary of the list.
// The fields are written by worker threads (the RAR output reader, the ZIP worker)
// and read by the main thread's timers without waiting: a stale value only delays
// the display by one tick, so plain atomics are enough.

#include <atomic>
#include <string>
#include <vector>

class CProgress {
public:
    std::atomic<int> nProgressPercent{0};
    std::atomic<int> nShownPercent{-1};
    std::atomic<int> bSingleArchiveProgress{0};
    std::atomic<int> bIndeterminate{0};
    std::atomic<int> nArchiveCount{0};
    std::atomic<int> nArchivesDone{0};
    int bBarShown = 0;      // the row's progress bar exists
    int nExtractFrame = 0;  // 42..70 while extracting
    int nTestFrame = 0;     // 21..41 while testing
    int nTrayFrame = 11;    // 11..20

    // Main thread, when a row starts: every figure back to its start value.
    void Reset();

    // Main thread, at the scan's end. nRarVolumes and nZipFiles are the sizes of the item's
    // volume and ZIP lists. Two or more archives: the percentage follows the archives begun;
    // exactly one RAR volume and no ZIP: the console program's own percentage is shown;
    // otherwise the bar runs as a marquee.
    void StartRowProgress(int nRarVolumes, int nZipFiles, bool bTestMode);

    // Main thread, when the item ends.
    void StopRowProgress();

    // Any thread: percentage from the archives begun, only when an archive count is known;
    // a value above 100 shows as 99.
    void UpdateArchivePercent();

    // Main thread, the 27 ms tick: advances the marquee by 2 (wrapping past 100 to 0).
    // Answers true when the bar should be moved to nProgressPercent.
    bool Tick();
};

// The tray's tooltip while the window is hidden in the tray: the row's name and
// " N% tested" / " N% extracted" (nothing in marquee mode), shortened with "..." to fit
// MAX_TRAY_TIP characters.
constexpr std::size_t MAX_TRAY_TIP = 127;
std::string TrayProgressTip(const std::string& strName, int nPercent, bool bTestMode, bool bIndeterminate);

enum class ETrayIcon { Idle, Failed, FailedAndCleanUp, CleanUpFailed, AllOk };

struct CTraySummary {
    int nFailed = 0;
    int nCleanUpFailed = 0;
    int nCompleted = 0;
    ETrayIcon nIcon = ETrayIcon::Idle;
    std::string strTooltip = "Harvex";
};

// Counts the rows by their strStatus and picks the tooltip and icon of the tray.
CTraySummary RefreshTraySummary(const std::vector<std::string>& arrStatuses);
