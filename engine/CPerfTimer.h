#pragma once
// High-resolution elapsed-time timer on CLOCK_MONOTONIC (nanosecond ticks).
//
// One signed 64-bit tick value: while running it holds the counter value at
// start, once stopped it holds minus the elapsed ticks. The counter frequency
// and a calibration overhead (a start immediately followed by a stop, measured
// once per process on first construction) are shared by all instances.
// Every access to the tick value is bracketed by Lock()/Unlock(), which do
// nothing here, so that a thread-safe variant can override them.
//
// Threads: an instance is used by one thread at a time (the driver's item
// timer lives on the GUI thread); the shared calibration is set up once under
// std::call_once.

#include <cstdint>
#include <string>

class CPerfTimer {
public:
    CPerfTimer();
    CPerfTimer(const CPerfTimer& other);
    CPerfTimer& operator=(const CPerfTimer& other);
    virtual ~CPerfTimer();
    virtual void Lock() const {}
    virtual void Unlock() const {}

    // Starts the timer. A stopped timer (negative value) resumes and keeps
    // its elapsed time, unless bReset is true: then the value is set to the
    // current counter whatever it held before.
    void Start(bool bReset = false);
    // Stops the timer; a timer that is not running is left alone.
    void Stop();
    bool IsRunning() const;

    // Elapsed time, computed on a stopped copy: reading never stops this timer.
    double Elapsed() const;    // seconds
    double ElapsedMs() const;  // milliseconds
    int64_t ElapsedTicks() const;

    static int64_t Counter();    // current CLOCK_MONOTONIC value in ticks
    static int64_t Frequency();  // ticks per second, never 0
    static int64_t Calibration();

private:
    int64_t nTicks = 0;
};

// "OK (" + [H "h"] + [N "m"] + [R "s"] + M "ms)" from an elapsed time given
// as whole seconds and milliseconds (the integer parts are used):
// OK (250ms), OK (4s7ms), OK (1h0m0s12ms).
std::string ElapsedTimeText(double dSeconds, double dMilliseconds);
// The same from elapsed ticks, converted exactly as CPerfTimer does.
std::string ElapsedTimeTextFromTicks(int64_t nElapsedTicks);
// The same for a timer (read on a stopped copy).
std::string ElapsedTimeText(const CPerfTimer& timer);
