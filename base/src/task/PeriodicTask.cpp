#include "PeriodicTask.h"

#include "OsalTaskExecutor.h"

PeriodicTask::PeriodicTask(int intervalMs) : interval(intervalMs) {}

PeriodicTask::~PeriodicTask() { stop(); }

void PeriodicTask::start(int intervalMs) {
    if (started) return;
    started = true;
    getOsalTaskExecutor()->startPeriodicTask(this, intervalMs);
}

void PeriodicTask::stop() {
    if (!started) return;
    started = false;
    getOsalTaskExecutor()->stopPeriodicTask(this);
}

bool PeriodicTask::isStarted() const { return started; }

int PeriodicTask::getInterval() const { return interval; }

void* PeriodicTask::getExecutorContext() const { return executorContext; }

void PeriodicTask::setExecutorContext(void* context) { executorContext = context; }
