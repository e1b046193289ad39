// The tool runner against a fake `ffmpeg` that this test writes into its own folder: the
// script records its arguments, one a line, and exits with the code the test asks for.
#include <atomic>
#include <chrono>
#include <clocale>
#include <future>
#include <string>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include "AudioTestMedia.h"
#include "EventWait.h"
#include "FFMpegUtil.h"

namespace {

QString toolPath() { return QCoreApplication::applicationDirPath() + "/ffmpeg"; }
QString argsPath() { return QCoreApplication::applicationDirPath() + "/ffmpeg-args.txt"; }
QString pidPath() { return QCoreApplication::applicationDirPath() + "/ffmpeg-pid.txt"; }

// The pid the fake tool wrote, 0 before it has.
long toolPid() {
    QFile file(pidPath());
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readAll().trimmed().toLong();
}

// Neither running nor a zombie: the process table holds no entry for it.
bool processGone(long pid) { return !QFile::exists(QString("/proc/%1").arg(pid)); }

class FFMpegUtilRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AudioTestMedia::clearLog();
        QFile::remove(toolPath());
        QFile::remove(argsPath());
        QFile::remove(pidPath());
    }
    void TearDown() override {
        QFile::remove(toolPath());
        QFile::remove(argsPath());
        QFile::remove(pidPath());
        qunsetenv("FAKE_FFMPEG_EXIT");
    }
    // A fake tool whose body runs after the arguments are recorded.
    static void installTool(const QString& body, bool executable = true) {
        QFile script(toolPath());
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QTextStream(&script) << "#!/bin/sh\n"
                             << "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/ffmpeg-args.txt\"\n"
                             << body << "\n";
        script.close();
        QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable) perms |= QFile::ExeOwner;
        script.setPermissions(perms);
    }
    static QStringList recorded() {
        QFile file(argsPath());
        if (!file.open(QIODevice::ReadOnly)) return {"<no run>"};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
};

TEST_F(FFMpegUtilRunnerTest, WithoutToolEveryJobGivesMinus30) {
    ASSERT_FALSE(QFile::exists(toolPath()));
    EXPECT_EQ(-30, FFMpegUtil::extractAudioFromVideo("a.mp4", "a.m4a", -1, -1, 1.0));
    EXPECT_EQ(-30, FFMpegUtil::cutAudioToLength("a.mp4", "a.m4a", 1, 2, 1.0));
    EXPECT_EQ(-30, FFMpegUtil::concatAudioFiles({"a", "b"}, "c"));
    EXPECT_EQ(-30, FFMpegUtil::mixAudioFiles({"a", "b"}, "c"));
    EXPECT_EQ(-30, FFMpegUtil::mergeAudioToVideo("a", "b", "c", 1000));
    EXPECT_EQ(-30, FFMpegUtil::transcodeFile("a", "b"));
    EXPECT_FALSE(FFMpegUtil::compressV2("a", "b", 1000, 0, 0));
    const std::string expected =
        "FFMpegUtil: Can not found ffmpeg executable file: " + toolPath().toStdString();
    EXPECT_TRUE(AudioTestMedia::logHas(expected));
}

TEST_F(FFMpegUtilRunnerTest, ExitCodesMapToResults) {
    installTool("exit ${FAKE_FFMPEG_EXIT:-0}");
    const struct {
        const char* exitCode;
        int expected;
    } cases[] = {{"0", 0}, {"1", -3}, {"255", -3}};
    for (const auto& c : cases) {
        qputenv("FAKE_FFMPEG_EXIT", c.exitCode);
        EXPECT_EQ(c.expected, FFMpegUtil::transcodeFile("in.mov", "out.mp4")) << c.exitCode;
    }
}

TEST_F(FFMpegUtilRunnerTest, CrashAndFailedStartGiveMinus3) {
    installTool("kill -SEGV $$");
    EXPECT_EQ(-3, FFMpegUtil::transcodeFile("in.mov", "out.mp4"));
    installTool("exit 0", false);
    EXPECT_EQ(-3, FFMpegUtil::transcodeFile("in.mov", "out.mp4"));
}

// A cancel kills the tool wherever it is and reaps it; the run reports the cancel, never
// success. The tool records its pid, then sleeps far longer than the test waits (as itself:
// exec keeps the pid).
TEST_F(FFMpegUtilRunnerTest, CancelKillsAndReapsTheTool) {
    installTool("echo $$ > \"$(dirname \"$0\")/ffmpeg-pid.txt\"\nexec sleep 60");
    enum When { kNever, kBeforeTheRun, kWhileItRuns };
    const struct {
        const char* name;
        When when;
        const char* exitCode;
        int expected;
    } cases[] = {
        {"before the run", kBeforeTheRun, "", -10002},
        {"while it runs", kWhileItRuns, "", -10002},
        {"never, the tool ends by itself", kNever, "0", 0},
    };
    for (const auto& c : cases) {
        QFile::remove(pidPath());
        QFile::remove(argsPath());
        // An exit code makes the tool end at once instead of sleeping.
        if (*c.exitCode) installTool(QString("exit %1").arg(c.exitCode));
        std::atomic<bool> cancel{c.when == kBeforeTheRun};
        auto run = std::async(std::launch::async, [&cancel] {
            return FFMpegUtil::extractAudioFromVideo("src.mov", "dst.m4a", -1, -1, 1.0, &cancel);
        });
        long pid = 0;
        if (c.when == kWhileItRuns) {
            ASSERT_TRUE(EventWait::waitFor([&pid] { return (pid = toolPid()) != 0; }, 20000))
                << c.name << ": the tool never ran";
            cancel = true;
        }
        // Well within the tool's own 60 s.
        ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready) << c.name;
        EXPECT_EQ(run.get(), c.expected) << c.name;
        if (c.when == kBeforeTheRun) {
            EXPECT_EQ(recorded(), QStringList{"<no run>"}) << c.name;
        }
        if (pid != 0) {
            EXPECT_TRUE(processGone(pid)) << c.name << ": pid " << pid;
        }
    }
}

TEST_F(FFMpegUtilRunnerTest, CommandLinesOfTheJobs) {
    installTool("exit 0");
    using Job = int (*)();
    const struct {
        const char* name;
        Job job;
        QStringList expected;
    } cases[] = {
        {"extract defaults",
         [] { return FFMpegUtil::extractAudioFromVideo("src.mov", "dst.m4a", -1, -1, 1.0); },
         {"-i", "src.mov", "-map", "a", "-af", "volume=1.000000", "-y", "dst.m4a", "-map_metadata",
          "0"}},
        {"extract trimmed",
         [] { return FFMpegUtil::extractAudioFromVideo("src.mov", "dst.m4a", 2.5, 10, 1.0); },
         {"-i", "src.mov", "-ss", "2.5", "-t", "10", "-map", "a", "-af", "volume=1.000000", "-y",
          "dst.m4a", "-map_metadata", "0"}},
        {"cut",
         [] { return FFMpegUtil::cutAudioToLength("a b.m4a", "c.m4a", 12.5, 0.333333333, 0.25); },
         {"-i", "a b.m4a", "-ss", "12.5", "-t", "0.333333", "-map", "a", "-af", "volume=0.250000",
          "-y", "c.m4a", "-map_metadata", "0"}},
        {"concat",
         [] {
             return FFMpegUtil::concatAudioFiles({"1.m4a", "2.m4a", "3.m4a"}, "all.m4a");
         },
         {"-i", "1.m4a", "-i", "2.m4a", "-i", "3.m4a", "-filter_complex", "concat=n=3:v=0:a=1",
          "-vn", "-y", "all.m4a", "-map_metadata", "0"}},
        {"mix",
         [] {
             return FFMpegUtil::mixAudioFiles({"1.m4a", "2.m4a"}, "mix.m4a");
         },
         {"-i", "1.m4a", "-i", "2.m4a", "-filter_complex",
          "amix=inputs=2:duration=shortest:dropout_transition=0", "-y", "mix.m4a", "-map_metadata",
          "0"}},
        {"merge",
         [] { return FFMpegUtil::mergeAudioToVideo("v.mp4", "a.m4a", "o.mp4", 6250000); },
         {"-i", "v.mp4", "-i", "a.m4a", "-y", "-c:v", "h264", "-b:v", "6250000", "-profile:v",
          "high", "-level", "5.1", "-c:a", "aac", "o.mp4", "-map_metadata", "0"}},
        {"transcode",
         [] { return FFMpegUtil::transcodeFile("in.mov", "out.mp4"); },
         {"-i", "in.mov", "out.mp4", "-map_metadata", "0"}},
        {"compressV2 scaled",
         [] { return FFMpegUtil::compressV2("in.mp4", "out.mp4", 2000000, 1920, 1080) ? 0 : -1; },
         {"-i", "in.mp4", "-y", "-c:v", "h264", "-b:v", "2000000", "-vf", "scale=1920:1080", "-c:a",
          "copy", "out.mp4", "-map_metadata", "0"}},
        {"compressV2 source size",
         [] { return FFMpegUtil::compressV2("in.mp4", "out.mp4", 2000000, 0, 1080) ? 0 : -1; },
         {"-i", "in.mp4", "-y", "-c:v", "h264", "-b:v", "2000000", "-c:a", "copy", "out.mp4",
          "-map_metadata", "0"}},
    };
    for (const auto& c : cases) {
        QFile::remove(argsPath());
        EXPECT_EQ(0, c.job()) << c.name;
        EXPECT_EQ(c.expected, recorded()) << c.name;
    }
}

TEST_F(FFMpegUtilRunnerTest, NumbersIgnoreACommaDecimalLocale) {
    installTool("exit 0");
    if (!AudioTestMedia::useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale available";
    const int ret = FFMpegUtil::extractAudioFromVideo("s.mov", "d.m4a", 1.5, 2.25, 1.5);
    AudioTestMedia::restoreLocale();
    EXPECT_EQ(0, ret);
    EXPECT_EQ((QStringList{"-i", "s.mov", "-ss", "1.5", "-t", "2.25", "-map", "a", "-af",
                           "volume=1.500000", "-y", "d.m4a", "-map_metadata", "0"}),
              recorded());
}

}  // namespace
