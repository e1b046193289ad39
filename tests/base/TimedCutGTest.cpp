// The file logger's timed cut (mode 4): a new serial file at each local four-hour boundary.
#include <memory>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "AutoSerialFileLogger.h"
#include "LogSystem.h"
#include "LogTestSupport.h"
#include "TestEnv.h"

using namespace LogTest;

namespace {

const char* const kCutLine = "INFO  ASFLogger: Auto cut log.";
const char* const kRestartLine = "INFO  ASFLogger: Restart after log auto-cut.";

// The fake clock started at `advancingBase` and running with the real one.
time_t advancingBase = 0;
time_t advancingStart = 0;
time_t advancingClock() { return advancingBase + (time(nullptr) - advancingStart); }

class TimedCutTest : public testing::Test {
  protected:
    void SetUp() override { dir = TestEnv::makeDir("cut"); }
    void TearDown() override {
        LogSystem* system = LogSystem::getSysLogSystem();
        system->stopLog();
        system->setLogger(nullptr);
        logger.reset();
        TestEnv::setTimeZone("");
    }
    // Installs and starts a logger of prefix "P" in `cutMode` on `clock`.
    void startLogger(int cutMode, AutoSerialFileLogger::Clock clock) {
        logger.reset(new AutoSerialFileLogger(dir.c_str(), "P", 30, cutMode));
        logger->setClock(clock);
        LogSystem::getSysLogSystem()->setLogger(logger.get());
        LogSystem::getSysLogSystem()->startLog();
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
    std::unique_ptr<AutoSerialFileLogger> logger;
};

}  // namespace

TEST_F(TimedCutTest, CutsAtLocalFourHourBoundaries) {
    struct Case {
        const char* zone;
        time_t boundary;     // a local 04:00 (or 00:00) in UTC seconds
        const char* first;   // file before the cut
        const char* second;  // file after it
        const char* hms;     // local time of the boundary
    };
    const Case cases[] = {
        {"UTC", utc(2026, 12, 9, 4, 0, 0), "P-2026-12-09-001.log", "P-2026-12-09-002.log",
         "04:00:00"},
        {"Asia/Tokyo", utc(2026, 12, 8, 19, 0, 0), "P-2026-12-09-001.log", "P-2026-12-09-002.log",
         "04:00:00"},
        {"Asia/Kolkata", utc(2026, 12, 8, 22, 30, 0), "P-2026-12-09-001.log",
         "P-2026-12-09-002.log", "04:00:00"},
        // Midnight: a new day starts again at serial 001.
        {"UTC", utc(2026, 12, 10, 0, 0, 0), "P-2026-12-09-001.log", "P-2026-12-10-001.log",
         "00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.second);
        dir = TestEnv::makeDir("cut");
        TestEnv::setTimeZone(c.zone);
        now = c.boundary - 2;
        startLogger(4, &fakeClock);
        LogSystem::i("MAIN", "%s", "before");
        ++now;
        logger->cut();  // same period: nothing changes
        EXPECT_EQ(listDir(dir), std::vector<std::string>{c.first});
        ++now;
        logger->cut();
        LogSystem::i("MAIN", "%s", "after");
        logger->cut();  // again within the new period
        LogSystem::getSysLogSystem()->stopLog();
        EXPECT_EQ(listDir(dir), (std::vector<std::string>{c.first, c.second}));
        const std::vector<std::string> before = lines(path(c.first));
        const std::vector<std::string> after = lines(path(c.second));
        ASSERT_EQ(before.size(), 2u);
        ASSERT_EQ(after.size(), 2u);
        EXPECT_EQ(before[1], std::string(c.hms) + ": " + kCutLine);
        EXPECT_EQ(after[0], std::string(c.hms) + ": " + kRestartLine);
        EXPECT_EQ(after[1], std::string(c.hms) + ": INFO  MAIN: after");
        LogSystem::getSysLogSystem()->setLogger(nullptr);
    }
}

TEST_F(TimedCutTest, TimerCutsWithinSecondsOfTheBoundary) {
    advancingStart = time(nullptr);
    advancingBase = utc(2026, 12, 9, 3, 59, 58);
    startLogger(4, &advancingClock);
    LogSystem::i("MAIN", "%s", "started");

    QEventLoop loop;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (listDir(dir).size() >= 2 || waited.elapsed() > 8000) loop.quit();
    });
    poll.start(100);
    loop.exec();
    LogSystem::getSysLogSystem()->stopLog();

    const std::vector<std::string> names = listDir(dir);
    ASSERT_EQ(names, (std::vector<std::string>{"P-2026-12-09-001.log", "P-2026-12-09-002.log"}));
    const std::vector<std::string> first = lines(path(names[0]));
    const std::vector<std::string> second = lines(path(names[1]));
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(first.back().substr(10), kCutLine);
    EXPECT_EQ(second.front().substr(10), kRestartLine);
    EXPECT_EQ(first.back().substr(0, 6), "04:00:");
}

TEST_F(TimedCutTest, ModeZeroNeverCuts) {
    now = utc(2026, 12, 9, 3, 59, 59);
    startLogger(0, &fakeClock);
    now += 3600 * 12;
    logger->cut();
    LogSystem::i("MAIN", "%s", "one file");
    LogSystem::getSysLogSystem()->stopLog();
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"P-2026-12-09-001.log"});
    EXPECT_EQ(readFile(path("P-2026-12-09-001.log")), "15:59:59: INFO  MAIN: one file\n");
}

TEST_F(TimedCutTest, StoppedLoggerDoesNotCut) {
    now = utc(2026, 12, 9, 3, 59, 59);
    startLogger(4, &fakeClock);
    LogSystem::getSysLogSystem()->stopLog();
    now += 1;
    logger->cut();
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"P-2026-12-09-001.log"});
}

TEST_F(TimedCutTest, DestroyedLoggerStopsItsTimer) {
    advancingStart = time(nullptr);
    advancingBase = utc(2026, 12, 9, 3, 59, 59);
    {
        // Destroyed while started (its open file is left open, as destruction does).
        AutoSerialFileLogger started(dir.c_str(), "P", 30, 4);
        started.setClock(&advancingClock);
        started.start();
    }
    QEventLoop loop;
    QTimer::singleShot(2500, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(listDir(dir), std::vector<std::string>{"P-2026-12-09-001.log"});
}
