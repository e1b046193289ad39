// Task framework: pool runs with completion on the main thread, main-thread tasks, periodic
// and scheduled timers, reference counting.
#include <atomic>
#include <functional>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "AsyncTask.h"
#include "MainThreadTask.h"
#include "OsalTaskExecutor.h"
#include "PeriodicCallBack.h"
#include "PeriodicTask.h"
#include "ScheduledTask.h"

namespace {

// Runs the event loop for `ms` milliseconds.
void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or 10 s have passed; returns `done()`.
bool runEventLoopUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() > 10000) loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}

bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

struct AsyncRecord {
    std::atomic<bool> ranOffMain{false};
    std::atomic<int> runs{0};
    int completions = 0;
    bool completedOnMain = false;
    bool ranBeforeCompletion = false;
    bool deleted = false;
    bool deletedAfterCompletion = false;
};

class RecordingAsyncTask : public AsyncTask {
  public:
    explicit RecordingAsyncTask(AsyncRecord& record) : record(record) {}
    void run() override {
        record.ranOffMain = !onMainThread();
        ++record.runs;
    }
    void onCompleteInMainThread() override {
        ++record.completions;
        record.completedOnMain = onMainThread();
        record.ranBeforeCompletion = record.runs == 1;
    }

  protected:
    ~RecordingAsyncTask() override {
        record.deleted = true;
        record.deletedAfterCompletion = record.completions == 1;
    }

  private:
    AsyncRecord& record;
};

TEST(Tasks, AsyncRunsOffTheMainThreadThenCompletesOnItThenIsDeleted) {
    AsyncRecord record;
    AsyncTask* task = new RecordingAsyncTask(record);
    task->queueToExecute();
    task->deref();  // the executor keeps it alive
    ASSERT_TRUE(runEventLoopUntil([&] { return record.deleted; }));
    EXPECT_EQ(1, record.runs.load());
    EXPECT_TRUE(record.ranOffMain);
    EXPECT_EQ(1, record.completions);
    EXPECT_TRUE(record.completedOnMain);
    EXPECT_TRUE(record.ranBeforeCompletion);
    EXPECT_TRUE(record.deletedAfterCompletion);
}

TEST(Tasks, CreatorReferenceKeepsACompletedTask) {
    AsyncRecord record;
    AsyncTask* task = new RecordingAsyncTask(record);
    task->queueToExecute();
    ASSERT_TRUE(runEventLoopUntil([&] { return record.completions == 1; }));
    runEventLoop(20);
    EXPECT_FALSE(record.deleted);
    task->deref();
    EXPECT_TRUE(record.deleted);
}

TEST(Tasks, ManyAsyncTasksAllComplete) {
    const int count = 50;
    std::vector<AsyncRecord> records(count);
    for (AsyncRecord& r : records) {
        AsyncTask* task = new RecordingAsyncTask(r);
        task->queueToExecute();
        task->deref();
    }
    ASSERT_TRUE(runEventLoopUntil([&] {
        for (const AsyncRecord& r : records)
            if (!r.deleted) return false;
        return true;
    }));
    for (const AsyncRecord& r : records) EXPECT_EQ(1, r.completions);
}

class FlagMainThreadTask : public MainThreadTask {
  public:
    FlagMainThreadTask(int& runs, bool& onMain, bool& deleted)
        : runs(runs), onMain(onMain), deleted(deleted) {}
    void run() override {
        ++runs;
        onMain = onMainThread();
    }

  protected:
    ~FlagMainThreadTask() override { deleted = true; }

  private:
    int& runs;
    bool& onMain;
    bool& deleted;
};

TEST(Tasks, MainThreadTaskQueuedFromAnotherThreadRunsOnTheMainThread) {
    getOsalTaskExecutor();
    int runs = 0;
    bool onMain = false;
    bool deleted = false;
    std::thread worker([&] {
        MainThreadTask* task = new FlagMainThreadTask(runs, onMain, deleted);
        task->queueToExecute();
        task->deref();
    });
    worker.join();
    ASSERT_TRUE(runEventLoopUntil([&] { return deleted; }));
    EXPECT_EQ(1, runs);
    EXPECT_TRUE(onMain);
}

void countCall(void* data) { ++*static_cast<int*>(data); }

TEST(Tasks, PeriodicTaskFiresAtItsOwnInterval) {
    int count = 0;
    PeriodicTask* task = new PeriodicCallBack(100, countCall, &count);
    task->start(5000);  // the argument is ignored
    task->start(5000);  // already started: still one timer
    EXPECT_TRUE(task->isStarted());
    runEventLoop(2050);
    task->stop();
    // About 20 firings (fewer on a loaded machine: late timeouts do not pile up); two timers
    // would give about 40, the ignored 5000 ms none.
    EXPECT_GE(count, 8);
    EXPECT_LE(count, 21);
    int stoppedAt = count;
    task->stop();  // stopped: nothing
    runEventLoop(300);
    EXPECT_EQ(stoppedAt, count);
    task->deref();
}

TEST(Tasks, PeriodicTaskRestartsAfterStop) {
    int count = 0;
    PeriodicTask* task = new PeriodicCallBack(50, countCall, &count);
    task->start(50);
    ASSERT_TRUE(runEventLoopUntil([&] { return count >= 2; }));
    task->stop();
    int stoppedAt = count;
    task->start(50);
    ASSERT_TRUE(runEventLoopUntil([&] { return count >= stoppedAt + 2; }));
    task->deref();  // releasing a started task stops it
    stoppedAt = count;
    runEventLoop(200);
    EXPECT_EQ(stoppedAt, count);
}

// Stops itself on its third run and drops its last reference from inside run().
class SelfStoppingTask : public PeriodicTask {
  public:
    SelfStoppingTask(int& runs, bool& deleted) : PeriodicTask(20), runs(runs), deleted(deleted) {}
    void run() override {
        if (++runs == 3) {
            stop();
            deref();
        }
    }

  protected:
    ~SelfStoppingTask() override { deleted = true; }

  private:
    int& runs;
    bool& deleted;
};

TEST(Tasks, PeriodicTaskStoppingAndReleasingItselfInsideRun) {
    int runs = 0;
    bool deleted = false;
    PeriodicTask* task = new SelfStoppingTask(runs, deleted);
    task->start(20);
    ASSERT_TRUE(runEventLoopUntil([&] { return deleted; }));
    runEventLoop(150);
    EXPECT_EQ(3, runs);
}

// Stops itself and starts again from inside run(): the new timer keeps firing.
class RestartingTask : public PeriodicTask {
  public:
    explicit RestartingTask(int& runs) : PeriodicTask(20), runs(runs) {}
    void run() override {
        ++runs;
        stop();
        start(20);
    }

  private:
    int& runs;
};

TEST(Tasks, PeriodicTaskRestartingItselfInsideRun) {
    int runs = 0;
    PeriodicTask* task = new RestartingTask(runs);
    task->start(20);
    ASSERT_TRUE(runEventLoopUntil([&] { return runs >= 4; }));
    task->deref();
}

TEST(Tasks, ScheduleZeroRunsOnceAfterTheCallReturns) {
    int count = 0;
    ScheduledTask::schedule(0, &count, countCall);
    EXPECT_EQ(0, count);
    ASSERT_TRUE(runEventLoopUntil([&] { return count > 0; }));
    runEventLoop(100);
    EXPECT_EQ(1, count);
}

class FlagScheduledTask : public ScheduledTask {
  public:
    FlagScheduledTask(int delayMs, int& runs, bool& deleted)
        : ScheduledTask(delayMs), runs(runs), deleted(deleted) {}
    void run() override { ++runs; }

  protected:
    ~FlagScheduledTask() override { deleted = true; }

  private:
    int& runs;
    bool& deleted;
};

TEST(Tasks, ScheduledTaskRunsOnceAfterItsDelayAndIsReleased) {
    int runs = 0;
    bool deleted = false;
    ScheduledTask* task = new FlagScheduledTask(50, runs, deleted);
    EXPECT_EQ(50, task->getDelay());
    task->schedule();
    task->deref();
    runEventLoop(10);
    EXPECT_EQ(0, runs);
    ASSERT_TRUE(runEventLoopUntil([&] { return deleted; }));
    EXPECT_EQ(1, runs);
}

}  // namespace
