#pragma once

#include "RefCountedTask.h"

// Work run once on a thread of the global pool, then completed on the executor's thread (the
// main thread). The executor holds a reference from queueToExecute() until the completion has
// run, so the creator may deref() right after queueing.
class AsyncTask : public RefCountedTask {
  public:
    // Pool thread.
    virtual void run() = 0;
    // Executor's thread, after run(); the base does nothing.
    virtual void onCompleteInMainThread();

    // Hands the task to the process-wide executor.
    void queueToExecute();

  protected:
    ~AsyncTask() override;
};
