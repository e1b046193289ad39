#include "ScheduledDelegateTask.h"

ScheduledDelegateTask::ScheduledDelegateTask(int delayMs, void (*function)(void*), void* data)
    : ScheduledTask(delayMs), function(function), data(data) {}

ScheduledDelegateTask::~ScheduledDelegateTask() = default;

void ScheduledDelegateTask::run() { function(data); }
