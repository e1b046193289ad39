#include "QtTaskExecutor.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include "AsyncTask.h"
#include "MainThreadTask.h"
#include "PeriodicTask.h"
#include "QtAsyncTaskRunnable.h"
#include "QtPeriodicTaskContext.h"
#include "QtScheduledTaskReceiver.h"
#include "ScheduledTask.h"

QtTaskExecutor* QtTaskExecutor::instance() {
    static QtTaskExecutor* const executor = new QtTaskExecutor();
    return executor;
}

QtTaskExecutor::QtTaskExecutor() {
    // Queued signals carry the task pointers across threads: without the registration the
    // connection drops every call and no completion ever runs.
    qRegisterMetaType<AsyncTask*>("AsyncTask*");
    qRegisterMetaType<MainThreadTask*>("MainThreadTask*");
    if (QCoreApplication* app = QCoreApplication::instance()) moveToThread(app->thread());
    connect(this, SIGNAL(_completeTaskInMainThread(AsyncTask*)), this,
            SLOT(doCompleteTaskInMainThread(AsyncTask*)), Qt::QueuedConnection);
    connect(this, SIGNAL(_runTaskInMainThread(MainThreadTask*)), this,
            SLOT(doRunTaskInMainThread(MainThreadTask*)), Qt::QueuedConnection);
}

void QtTaskExecutor::queueToExecute(AsyncTask* task) {
    task->ref();
    QThreadPool::globalInstance()->start(new QtAsyncTaskRunnable(this, task), 0);
}

void QtTaskExecutor::queueToExecuteInMainThread(MainThreadTask* task) {
    task->ref();
    emit _runTaskInMainThread(task);
}

void QtTaskExecutor::startPeriodicTask(PeriodicTask* task, int /*intervalMs*/) {
    auto* context = new QtPeriodicTaskContext(task);
    task->setExecutorContext(context);
    context->start(task->getInterval());
}

void QtTaskExecutor::stopPeriodicTask(PeriodicTask* task) {
    auto* context = static_cast<QtPeriodicTaskContext*>(task->getExecutorContext());
    task->setExecutorContext(nullptr);
    if (context) context->stopAndRelease();
}

void QtTaskExecutor::queueScheduledTask(ScheduledTask* task) {
    auto* receiver = new QtScheduledTaskReceiver(task);
    task->ref();
    QTimer::singleShot(task->getDelay(), receiver, SLOT(timeout()));
}

void QtTaskExecutor::doCompleteTaskInMainThread(AsyncTask* task) {
    task->onCompleteInMainThread();
    task->deref();
}

void QtTaskExecutor::doRunTaskInMainThread(MainThreadTask* task) {
    task->run();
    task->deref();
}
