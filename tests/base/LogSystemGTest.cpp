// Log dispatch and the serial file logger: line bytes, dropping, flushing, serials, retention,
// exclusive creation and concurrent writers.
#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AutoSerialFileLogger.h"
#include "LogSystem.h"
#include "LogTestSupport.h"
#include "QDebugLogger.h"
#include "TestEnv.h"

using namespace LogTest;

namespace {

const char* const kPrefix = "QUENDRA TRELLIQ";

// Receives the text that the base SysLogger formatted.
class CaptureLogger : public SysLogger {
  public:
    using SysLogger::log;
    void log(const char*, LogLevel, const char* text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

class LogSystemTest : public testing::Test {
  protected:
    void SetUp() override {
        dir = TestEnv::makeDir("log");
        now = utc(2026, 12, 9, 13, 5, 9);
    }
    void TearDown() override {
        LogSystem* system = LogSystem::getSysLogSystem();
        system->stopLog();
        system->setLogger(nullptr);
        system->setLogLevel(LogLevel::INFO);
    }
    // A file logger on `dir` with the fake clock, installed and started.
    AutoSerialFileLogger& startFileLogger(const char* prefix = kPrefix, int keepDays = 30) {
        logger.reset(new AutoSerialFileLogger(dir.c_str(), prefix, keepDays, 0));
        logger->setClock(&fakeClock);
        LogSystem::getSysLogSystem()->setLogger(logger.get());
        LogSystem::getSysLogSystem()->startLog();
        return *logger;
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
    std::unique_ptr<AutoSerialFileLogger> logger;
};

}  // namespace

TEST_F(LogSystemTest, LineBytesPerLevel) {
    AutoSerialFileLogger& file = startFileLogger();
    LogSystem::getSysLogSystem()->setLogLevel(LogLevel::DBG);
    LogSystem::i("MAIN", "%s, ver. %s", "QUENDRA TRELLIQ", "3.0.0");
    LogSystem::e("GpsDataParser", "%s", "Can not open file?");
    LogSystem::w("T", "%d%%", 50);
    LogSystem::d("T", "%s", "debug!");
    LogSystem::l("THD", LogLevel::FATAL, "%s", "hang");
    LogSystem::l("THD", LogLevel::CRIT, "%s", "");
    LogSystem::flush();
    ASSERT_NE(file.currentFilePath(), nullptr);
    EXPECT_EQ(std::string(file.currentFilePath()), path("QUENDRA TRELLIQ-2026-12-09-001.log"));
    EXPECT_EQ(readFile(file.currentFilePath()),
              "13:05:09: INFO  MAIN: QUENDRA TRELLIQ, ver. 3.0.0\n"
              "13:05:09: ERROR GpsDataParser: Can not open file?\n"
              "13:05:09: WARN  T: 50%\n"
              "13:05:09: DBG   T: debug!\n"
              "13:05:09: FATAL THD: hang\n"
              "13:05:09: CRIT  THD: \n");
}

TEST_F(LogSystemTest, LocalTimeInLines) {
    TestEnv::setTimeZone("Asia/Tokyo");
    AutoSerialFileLogger& file = startFileLogger();
    LogSystem::i("MAIN", "%s", "x");
    LogSystem::flush();
    const std::string written = readFile(file.currentFilePath());
    TestEnv::setTimeZone("");
    EXPECT_EQ(written, "22:05:09: INFO  MAIN: x\n");
}

TEST_F(LogSystemTest, DroppedLines) {
    LogSystem* system = LogSystem::getSysLogSystem();
    logger.reset(new AutoSerialFileLogger(dir.c_str(), kPrefix, 30, 0));
    logger->setClock(&fakeClock);
    system->setLogger(logger.get());
    LogSystem::i("T", "%s", "before start");
    system->startLog();
    system->setLogLevel(static_cast<LogLevel>(6));
    system->setLogLevel(static_cast<LogLevel>(-1));
    LogSystem::d("T", "%s", "above the level");
    LogSystem::l("T", static_cast<LogLevel>(-1), "%s", "negative level");
    LogSystem::i(nullptr, "%s", "no tag");
    LogSystem::i("T", nullptr);
    LogSystem::i("T", "%s", "kept");
    // While started the logger cannot change.
    CaptureLogger other;
    system->setLogger(&other);
    LogSystem::i("T", "%s", "still the file");
    system->stopLog();
    LogSystem::i("T", "%s", "after stop");
    EXPECT_TRUE(other.texts.empty());
    const std::string written = readFile(path("QUENDRA TRELLIQ-2026-12-09-001.log"));
    EXPECT_EQ(written, "13:05:09: INFO  T: kept\n13:05:09: INFO  T: still the file\n");
}

TEST_F(LogSystemTest, BaseLoggerCutsLongMessagesFileLoggerDoesNot) {
    const std::string longText(5000, 'x');
    CaptureLogger capture;
    LogSystem* system = LogSystem::getSysLogSystem();
    system->setLogger(&capture);
    system->startLog();
    LogSystem::i("T", "%s", longText.c_str());
    system->stopLog();
    ASSERT_EQ(capture.texts.size(), 1u);
    EXPECT_EQ(capture.texts[0], longText.substr(0, 4095));

    QDebugLogger quiet;
    system->setLogger(&quiet);
    system->startLog();
    LogSystem::i("T", "%s", longText.c_str());
    system->stopLog();

    AutoSerialFileLogger& file = startFileLogger();
    LogSystem::i("T", "%s", longText.c_str());
    LogSystem::flush();
    EXPECT_EQ(readFile(file.currentFilePath()), "13:05:09: INFO  T: " + longText + "\n");
}

TEST_F(LogSystemTest, LinesReachDiskOnFlush) {
    AutoSerialFileLogger& file = startFileLogger();
    LogSystem::i("MAIN", "%s", "buffered");
    EXPECT_EQ(readFile(file.currentFilePath()), "");
    LogSystem::flush();
    EXPECT_EQ(readFile(file.currentFilePath()), "13:05:09: INFO  MAIN: buffered\n");
}

TEST_F(LogSystemTest, LinesReachDiskAtNormalExit) {
    const std::string exitDir = TestEnv::makeDir("exit");
    EXPECT_EXIT(
        {
            AutoSerialFileLogger* atExit = new AutoSerialFileLogger(exitDir.c_str(), "P", 30, 0);
            atExit->setClock(&fakeClock);
            LogSystem::getSysLogSystem()->setLogger(atExit);
            LogSystem::getSysLogSystem()->startLog();
            LogSystem::i("MAIN", "%s", "at exit");
            exit(0);
        },
        testing::ExitedWithCode(0), "");
    const std::vector<std::string> names = listDir(exitDir);
    ASSERT_EQ(names, std::vector<std::string>{"P-2026-12-09-001.log"});
    EXPECT_EQ(readFile(exitDir + "/" + names[0]), "13:05:09: INFO  MAIN: at exit\n");
}

TEST_F(LogSystemTest, SerialRule) {
    startFileLogger("P");
    EXPECT_EQ(std::string(logger->currentFilePath()), path("P-2026-12-09-001.log"));
    LogSystem::getSysLogSystem()->stopLog();
    std::remove(path("P-2026-12-09-001.log").c_str());

    touch(path("P-2026-12-09-001.log"));
    touch(path("P-2026-12-09-007.log"));
    touch(path("P-2026-12-08-050.log"));  // another day: not counted
    touch(path("P-2026-12-09-01.log"));   // two-digit serial
    touch(path("P-2026-13-09-900.log"));  // month 13
    touch(path("P-2026-12-09-901.log.bak"));
    touch(path("Q-2026-12-09-902.log"));
    touch(path("P-2026-12-09-9x3.log"));
    startFileLogger("P");
    EXPECT_EQ(std::string(logger->currentFilePath()), path("P-2026-12-09-008.log"));
    EXPECT_EQ(readFile(path("P-2026-12-09-007.log")), "old\n");
}

TEST_F(LogSystemTest, WideSerials) {
    touch(path("P-2026-12-09-999.log"));
    startFileLogger("P");
    EXPECT_EQ(std::string(logger->currentFilePath()), path("P-2026-12-09-1000.log"));
}

TEST_F(LogSystemTest, Retention) {
    struct Case {
        const char* name;
        bool kept;
    };
    const Case cases[] = {
        {"P-2026-11-09-001.log", true},                                      // 30 days before today
        {"P-2026-11-08-003.log", false},                                     // 31 days
        {"P-2025-01-01-001.log", false},    {"P-2026-12-10-001.log", true},  // tomorrow
        {"P-2025-01-01-01.log", true},  // off the pattern, whatever the age
        {"P-2025-01-01-001.log.bak", true}, {"P-2025-00-01-001.log", true},
        {"P-2025-01-32-001.log", true},     {"Q-2025-01-01-001.log", true},
        {"P_2025-01-01-001.log", true},     {"P-2025-01-01-001.txt", true},
    };
    for (const Case& c : cases) touch(path(c.name));
    startFileLogger("P");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!readFile(path(c.name)).empty(), c.kept);
    }
    EXPECT_EQ(std::string(logger->currentFilePath()), path("P-2026-12-09-001.log"));
}

// Names that the folder listing does not count (a prefix holding ".log", a hidden prefix)
// collide with the file of an earlier start, as two processes starting in one second do: the
// file is created exclusively, so the earlier file is kept and the next serial taken.
TEST_F(LogSystemTest, CollidingNamesTakeTheNextSerial) {
    for (const char* prefix : {"app.log", ".hidden"}) {
        SCOPED_TRACE(prefix);
        const std::string p(prefix);
        std::vector<std::unique_ptr<AutoSerialFileLogger>> loggers;
        for (int run = 1; run <= 3; ++run) {
            loggers.emplace_back(new AutoSerialFileLogger(dir.c_str(), prefix, 30, 0));
            loggers.back()->setClock(&fakeClock);
            loggers.back()->start();
            ASSERT_NE(loggers.back()->currentFilePath(), nullptr);
            EXPECT_EQ(std::string(loggers.back()->currentFilePath()),
                      path(p + "-2026-12-09-00" + std::to_string(run) + ".log"));
        }
        for (size_t k = 0; k < loggers.size(); ++k) {
            LogSystem* system = LogSystem::getSysLogSystem();
            system->setLogger(loggers[k].get());
            system->startLog();
            LogSystem::i("RUN", "%zu", k + 1);
            system->stopLog();
            system->setLogger(nullptr);
        }
        for (int run = 1; run <= 3; ++run)
            EXPECT_EQ(readFile(path(p + "-2026-12-09-00" + std::to_string(run) + ".log")),
                      "13:05:09: INFO  RUN: " + std::to_string(run) + "\n");
    }
}

TEST_F(LogSystemTest, MissingFolderDropsLines) {
    logger.reset(new AutoSerialFileLogger((dir + "/none").c_str(), kPrefix, 30, 0));
    LogSystem::getSysLogSystem()->setLogger(logger.get());
    LogSystem::getSysLogSystem()->startLog();
    LogSystem::i("T", "%s", "lost");
    EXPECT_EQ(logger->currentFilePath(), nullptr);
}

TEST_F(LogSystemTest, ConcurrentWritersGiveWholeLines) {
    const int kThreads = 8;
    const int kLines = 10000;
    AutoSerialFileLogger& file = startFileLogger();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int n = 0; n < kLines; ++n)
                LogSystem::i("W", "thread %d line %05d %s", t, n, "payload-payload-payload");
        });
    for (std::thread& thread : threads) thread.join();
    LogSystem::flush();
    const std::vector<std::string> written = lines(file.currentFilePath());
    ASSERT_EQ(written.size(), static_cast<size_t>(kThreads * kLines));
    const std::regex shape(
        "13:05:09: INFO  W: thread ([0-7]) line ([0-9]{5}) payload-payload-payload");
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : written) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        const int t = std::stoi(m[1]);
        // Each thread's lines arrive in its own order.
        EXPECT_EQ(std::stoi(m[2]), next[t]++);
    }
}
