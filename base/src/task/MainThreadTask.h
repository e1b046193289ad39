#pragma once

#include "RefCountedTask.h"

// Work run once on the executor's thread (the main thread), from its event loop. The executor
// holds a reference until run() has returned.
class MainThreadTask : public RefCountedTask {
  public:
    // Executor's thread.
    virtual void run() = 0;

    // Hands the task to the process-wide executor; callable from any thread.
    void queueToExecute();

  protected:
    ~MainThreadTask() override;
};
