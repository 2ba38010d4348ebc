#include "engine/CPerfTimer.h"

#include <time.h>

#include <mutex>

namespace {

constexpr int64_t NANOS_PER_SECOND = 1000000000;

int64_t g_nCalibration = 0;
std::once_flag g_calibrationOnce;

}  // namespace

int64_t CPerfTimer::Counter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * NANOS_PER_SECOND + ts.tv_nsec;
}

int64_t CPerfTimer::Frequency() {
    // The counter is always expressed in nanoseconds, so the frequency is
    // fixed (and never 0).
    return NANOS_PER_SECOND;
}

int64_t CPerfTimer::Calibration() {
    return g_nCalibration;
}

CPerfTimer::CPerfTimer() {
    std::call_once(g_calibrationOnce, [] {
        // A start immediately followed by a stop: what one measurement costs.
        int64_t nValue = Counter();
        nValue -= Counter();
        g_nCalibration = -nValue;
    });
}

CPerfTimer::CPerfTimer(const CPerfTimer& other) : CPerfTimer() {
    other.Lock();
    nTicks = other.nTicks;
    other.Unlock();
}

CPerfTimer& CPerfTimer::operator=(const CPerfTimer& other) {
    if (this != &other) {
        other.Lock();
        int64_t nValue = other.nTicks;
        other.Unlock();
        Lock();
        nTicks = nValue;
        Unlock();
    }
    return *this;
}

CPerfTimer::~CPerfTimer() = default;

void CPerfTimer::Start(bool bReset) {
    Lock();
    if (nTicks < 0 && !bReset) {
        nTicks += Counter();
    } else {
        nTicks = Counter();
    }
    Unlock();
}

void CPerfTimer::Stop() {
    Lock();
    if (nTicks > 0) {
        nTicks -= Counter();
        if (-nTicks > g_nCalibration) {
            nTicks += g_nCalibration;
        } else {
            nTicks = 0;
        }
    }
    Unlock();
}

bool CPerfTimer::IsRunning() const {
    Lock();
    bool bRunning = nTicks > 0;
    Unlock();
    return bRunning;
}

int64_t CPerfTimer::ElapsedTicks() const {
    CPerfTimer copy(*this);
    copy.Stop();
    return -copy.nTicks;
}

double CPerfTimer::Elapsed() const {
    return static_cast<double>(ElapsedTicks()) / static_cast<double>(Frequency());
}

double CPerfTimer::ElapsedMs() const {
    return static_cast<double>(ElapsedTicks()) * 1000.0 / static_cast<double>(Frequency());
}

std::string ElapsedTimeText(double dSeconds, double dMilliseconds) {
    int64_t nSeconds = static_cast<int64_t>(dSeconds);
    int64_t nMillis = static_cast<int64_t>(dMilliseconds) - nSeconds * 1000;
    int64_t nHours = 0;
    int64_t nMinutes = 0;
    while (nSeconds >= 3600) {
        nSeconds -= 3600;
        ++nHours;
    }
    while (nSeconds >= 60) {
        nSeconds -= 60;
        ++nMinutes;
    }
    std::string strText = "OK (";
    if (nHours >= 1) {
        strText += std::to_string(nHours) + "h";
    }
    if (nMinutes >= 1 || nHours >= 1) {
        strText += std::to_string(nMinutes) + "m";
    }
    if (nSeconds > 0 || nMinutes >= 1 || nHours >= 1) {
        strText += std::to_string(nSeconds) + "s";
    }
    strText += std::to_string(nMillis) + "ms)";
    return strText;
}

std::string ElapsedTimeTextFromTicks(int64_t nElapsedTicks) {
    double dTicks = static_cast<double>(nElapsedTicks);
    double dFrequency = static_cast<double>(CPerfTimer::Frequency());
    return ElapsedTimeText(dTicks / dFrequency, dTicks * 1000.0 / dFrequency);
}

std::string ElapsedTimeText(const CPerfTimer& timer) {
    return ElapsedTimeTextFromTicks(timer.ElapsedTicks());
}
