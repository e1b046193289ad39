#include "ScheduledTask.h"

#include "OsalTaskExecutor.h"
#include "ScheduledDelegateTask.h"

ScheduledTask::ScheduledTask(int delayMs) : delay(delayMs) {}

ScheduledTask::~ScheduledTask() = default;

void ScheduledTask::schedule() { getOsalTaskExecutor()->queueScheduledTask(this); }

int ScheduledTask::getDelay() const { return delay; }

void ScheduledTask::schedule(int delayMs, void* data, void (*function)(void*)) {
    ScheduledTask* task = new ScheduledDelegateTask(delayMs, function, data);
    task->schedule();
    // The executor's reference keeps it until it has run.
    task->deref();
}
