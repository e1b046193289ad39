#include "ThreadHangDetector.h"

#include "THDWatchDogThread.h"

ThreadHangDetector::ThreadHangDetector(int timeoutSeconds)
    : watchdog(new THDWatchDogThread(timeoutSeconds)) {
    timer.setInterval(1000);
    connect(&timer, SIGNAL(timeout()), this, SLOT(onTimeout()));
    timer.start();
    watchdog->start(QThread::InheritPriority);
}

ThreadHangDetector::~ThreadHangDetector() {
    timer.disconnect(this);
    timer.stop();
    watchdog->stopWatchDog();
    watchdog->wait();
    delete watchdog;
}

void ThreadHangDetector::onTimeout() { watchdog->feed(); }
