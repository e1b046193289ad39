#pragma once

#include <QRunnable>

class AsyncTask;
class QtTaskExecutor;

// Runs one async task on a pool thread and hands its completion to the executor's thread.
// Deleted by the pool after run(). The task reference taken at queueing passes on to the
// completion, which releases it.
class QtAsyncTaskRunnable : public QRunnable {
  public:
    QtAsyncTaskRunnable(QtTaskExecutor* executor, AsyncTask* task);

    void run() override;

  private:
    QtTaskExecutor* executor;
    AsyncTask* task;
};
