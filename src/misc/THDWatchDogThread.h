#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <QThread>

// The watchdog of a ThreadHangDetector: once a second it checks how long ago the detector last
// fed it; once that is the timeout or more, it logs a FATAL line, flushes the log and ends the
// process with a failure status (without running static destructors). The detector feeds it
// from its own thread and stops it before it goes; the watchdog never touches the detector.
class THDWatchDogThread : public QThread {
    Q_OBJECT

  public:
    // timeoutSeconds: seconds without feed() before the process ends. The detector feeds once
    // a second, so values below 2 are raised to 2.
    explicit THDWatchDogThread(int timeoutSeconds);

    // Any thread: the watched thread is alive now.
    void feed();
    // Any thread: ends the loop at once (the sleep is interrupted).
    void stopWatchDog();

  protected:
    void run() override;

  private:
    // Waits up to one second; true when stopped meanwhile.
    bool sleepOneSecond();
    // Milliseconds of a monotonic clock.
    static long long nowMs();
    [[noreturn]] void endProcess();

    const int timeoutSeconds;
    // nowMs() of the last feed(); written by the watched thread, read by run(). A time rather
    // than a tick count, so that the two one-second rhythms drifting apart cannot add up to a
    // false timeout.
    std::atomic<long long> lastFeedMs;
    // Guarded by `mutex`; `wake` signals its change.
    bool stopped = false;
    std::mutex mutex;
    std::condition_variable wake;
};
