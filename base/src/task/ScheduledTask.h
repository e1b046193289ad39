#pragma once

#include "RefCountedTask.h"

// Work run once, a delay after schedule(), by a timer of the scheduling thread (that thread
// needs an event loop). The executor holds a reference until run() has returned.
class ScheduledTask : public RefCountedTask {
  public:
    // delayMs: milliseconds from schedule() to run(); 0 runs at the next event loop pass.
    explicit ScheduledTask(int delayMs);

    // Scheduling thread.
    virtual void run() = 0;

    void schedule();
    int getDelay() const;

    // Calls function(data) once, delayMs after this call, from the event loop of the calling
    // thread, never synchronously. `data` is borrowed until then.
    static void schedule(int delayMs, void* data, void (*function)(void*));

  protected:
    ~ScheduledTask() override;

  private:
    int delay;
};
