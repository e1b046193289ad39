#pragma once

#include "RefCountedTask.h"

// Work run every interval by a timer of the thread that started it (that thread needs an event
// loop). Referenced only by its owner; releasing the last reference of a started task stops
// it first. start(), stop() and run() all happen on that one thread; run() may call stop()
// (or start() again).
class PeriodicTask : public RefCountedTask {
  public:
    // intervalMs: the period in milliseconds, fixed for the task's life.
    explicit PeriodicTask(int intervalMs);

    // Timer's thread, every interval while started.
    virtual void run() = 0;

    // When stopped: marks the task started and starts its timer. The argument is handed to
    // the executor, which ignores it: the period is always the constructor's.
    void start(int intervalMs);
    // When started: clears the mark and stops the timer.
    void stop();
    bool isStarted() const;
    int getInterval() const;

    // For the executor only: its per-task state while started, null while stopped.
    void* getExecutorContext() const;
    void setExecutorContext(void* context);

  protected:
    ~PeriodicTask() override;

  private:
    void* executorContext = nullptr;
    int interval;
    bool started = false;
};
