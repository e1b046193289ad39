#include "THDWatchDogThread.h"

#include <chrono>
#include <cstdlib>

#include "LogSystem.h"

THDWatchDogThread::THDWatchDogThread(int timeoutSeconds)
    : timeoutSeconds(timeoutSeconds < 2 ? 2 : timeoutSeconds), lastFeedMs(nowMs()) {}

long long THDWatchDogThread::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void THDWatchDogThread::feed() { lastFeedMs.store(nowMs()); }

void THDWatchDogThread::stopWatchDog() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
    }
    wake.notify_all();
}

bool THDWatchDogThread::sleepOneSecond() {
    std::unique_lock<std::mutex> lock(mutex);
    return wake.wait_for(lock, std::chrono::seconds(1), [this] { return stopped; });
}

void THDWatchDogThread::run() {
    while (!sleepOneSecond()) {
        if (nowMs() - lastFeedMs.load() >= timeoutSeconds * 1000LL) endProcess();
    }
}

void THDWatchDogThread::endProcess() {
    LogSystem::l("ThreadHangDetector", LogLevel::FATAL,
                 "The watched thread did not run its event loop for %d seconds, ending the "
                 "process!",
                 timeoutSeconds);
    LogSystem::flush();
    // No exit handlers or static destructors: other threads are still running.
    std::_Exit(EXIT_FAILURE);
}
