#include "QtPeriodicTaskContext.h"

#include "PeriodicTask.h"

QtPeriodicTaskContext::QtPeriodicTaskContext(PeriodicTask* task) : task(task) {
    connect(&timer, SIGNAL(timeout()), this, SLOT(run()));
}

void QtPeriodicTaskContext::start(int intervalMs) { timer.start(intervalMs); }

void QtPeriodicTaskContext::stopAndRelease() {
    timer.stop();
    task = nullptr;
    if (running)
        deleteLater();
    else
        delete this;
}

void QtPeriodicTaskContext::run() {
    if (!task) return;
    running = true;
    // The task may stop itself (or release its last reference) in here.
    task->run();
    running = false;
}
