#include "QtAsyncTaskRunnable.h"

#include "AsyncTask.h"
#include "QtTaskExecutor.h"

QtAsyncTaskRunnable::QtAsyncTaskRunnable(QtTaskExecutor* executor, AsyncTask* task)
    : executor(executor), task(task) {
    setAutoDelete(true);
}

void QtAsyncTaskRunnable::run() {
    task->run();
    emit executor->_completeTaskInMainThread(task);
}
