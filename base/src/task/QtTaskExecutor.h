#pragma once

#include <QObject>

#include "OsalTaskExecutor.h"

// The executor over Qt: the global thread pool for async tasks, queued signals to its own
// thread (the main thread) for completions and main-thread tasks, QTimer for periodic and
// scheduled tasks.
class QtTaskExecutor : public QObject, public OsalTaskExecutor {
    Q_OBJECT

  public:
    // The process-wide instance, created on the first call and never destroyed. It lives in
    // the application's thread when a QCoreApplication exists, else in the calling thread.
    static QtTaskExecutor* instance();

    void queueToExecute(AsyncTask* task) override;
    void queueToExecuteInMainThread(MainThreadTask* task) override;
    void startPeriodicTask(PeriodicTask* task, int intervalMs) override;
    void stopPeriodicTask(PeriodicTask* task) override;
    void queueScheduledTask(ScheduledTask* task) override;

  signals:
    // Emitted from a pool thread once the task's run() has returned.
    void _completeTaskInMainThread(AsyncTask* task);
    void _runTaskInMainThread(MainThreadTask* task);

  private slots:
    void doCompleteTaskInMainThread(AsyncTask* task);
    void doRunTaskInMainThread(MainThreadTask* task);

  private:
    QtTaskExecutor();
};
