// Thread-hang watchdog: a stalled event loop ends the process with the FATAL line on disk; a
// live one keeps it; a destroyed detector stops watching.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "TestEnv.h"
#include "ThreadHangDetector.h"

namespace {

struct ChildRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString log;  // every log file of the folder, concatenated
};

ChildRun runChild(const char* mode, int timeoutSeconds) {
    const QString dir = QString::fromStdString(TestEnv::makeDir(std::string("watchdog-") + mode));
    QProcess child;
    child.start(WATCHDOG_CHILD, {dir, QString::number(timeoutSeconds), mode});
    ChildRun run;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return run;
    }
    run.exitCode = child.exitCode();
    run.status = child.exitStatus();
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        QFile file(dir + "/" + name);
        if (file.open(QIODevice::ReadOnly)) run.log += QString::fromUtf8(file.readAll());
    }
    return run;
}

TEST(Watchdog, StalledEventLoopEndsTheProcessWithTheFatalLineOnDisk) {
    ChildRun run = runChild("hang", 2);
    EXPECT_EQ(QProcess::NormalExit, run.status);
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(
        run.log.contains(": FATAL ThreadHangDetector: The watched thread did not run its "
                         "event loop for 2 seconds, ending the process!\n"))
        << run.log.toStdString();
}

TEST(Watchdog, LiveEventLoopKeepsTheProcess) {
    ChildRun run = runChild("alive", 3);
    EXPECT_EQ(QProcess::NormalExit, run.status);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_TRUE(run.log.contains("still alive")) << run.log.toStdString();
    EXPECT_FALSE(run.log.contains("FATAL"));
}

TEST(Watchdog, DestroyedDetectorStopsWatching) {
    LogCapture& log = LogCapture::install();
    log.clear();
    // Short-lived detectors: each destructor stops and joins its watchdog.
    for (int i = 0; i < 20; ++i) delete new ThreadHangDetector(1);
    {
        ThreadHangDetector detector(1);
        QThread::msleep(300);
    }
    // Longer than the timeout without an event loop: only a watchdog left running would end
    // this process.
    QThread::msleep(2500);
    for (const LogCapture::Line& line : log.lines())
        EXPECT_NE(line.level, LogLevel::FATAL) << line.tag << ": " << line.text;
}

}  // namespace
