#pragma once

class AsyncTask;
class MainThreadTask;
class PeriodicTask;
class ScheduledTask;

// Runs tasks on a thread pool, on the main thread, periodically or after a delay. Each queue
// operation takes its own reference on the task and releases it once the task has run.
class OsalTaskExecutor {
  public:
    virtual ~OsalTaskExecutor();

    // run() on a pool thread, then onCompleteInMainThread() on the executor's thread.
    virtual void queueToExecute(AsyncTask* task) = 0;
    // run() on the executor's thread; callable from any thread.
    virtual void queueToExecuteInMainThread(MainThreadTask* task) = 0;
    // Starts the task's timer on the calling thread with the task's own interval; the int
    // argument is ignored. Called by PeriodicTask::start().
    virtual void startPeriodicTask(PeriodicTask* task, int intervalMs) = 0;
    // Stops the task's timer. Called by PeriodicTask::stop(), also from inside its run().
    virtual void stopPeriodicTask(PeriodicTask* task) = 0;
    // run() once, the task's delay from now, on the calling thread.
    virtual void queueScheduledTask(ScheduledTask* task) = 0;
};

// The process-wide executor, created on the first call and never destroyed. The first call
// must come from the main thread, whose event loop runs the completions.
OsalTaskExecutor* getOsalTaskExecutor();
