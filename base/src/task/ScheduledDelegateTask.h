#pragma once

#include "ScheduledTask.h"

// A scheduled task that calls a plain function with a borrowed data pointer. Made only by
// ScheduledTask::schedule(delay, data, function).
class ScheduledDelegateTask : public ScheduledTask {
  public:
    void run() override;

  protected:
    ~ScheduledDelegateTask() override;

  private:
    friend class ScheduledTask;
    ScheduledDelegateTask(int delayMs, void (*function)(void*), void* data);

    void (*function)(void*);
    void* data;
};
