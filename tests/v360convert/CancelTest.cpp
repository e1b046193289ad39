// Cancelling a conversion while the `ffmpeg` tool takes the recording's sound. The tool beside
// this test is a fake that it writes itself: for a sound track ("-map a") it records its pid,
// starts its output file and then sleeps far longer than any test waits; anything else (the
// fixture's clip) goes to the real tool.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTextStream>

#include <string>

#include "EventWait.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "VideoSimple360Generator.h"

namespace {

const int kCancelled = -10002;
// Far below the fake tool's sleep (60 s), far above a cancel's own work under load.
const int kPromptMs = 5000;

QString toolPath() { return QCoreApplication::applicationDirPath() + "/ffmpeg"; }
QString pidPath() { return QCoreApplication::applicationDirPath() + "/ffmpeg-pid.txt"; }

void installTool() {
    QFile script(toolPath());
    ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QTextStream(&script) << "#!/bin/sh\n"
                         << "case \" $* \" in *\" -map a \"*) ;; *) exec /usr/bin/ffmpeg \"$@\";; "
                            "esac\n"
                         << "for arg; do [ \"$previous\" = -y ] && out=$arg; previous=$arg; done\n"
                         << "echo $$ > \"$(dirname \"$0\")/ffmpeg-pid.txt\"\n"
                         << "echo partial > \"$out\"\n"
                         << "exec sleep 60\n";
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The pid the fake tool wrote, 0 before it has.
long toolPid() {
    QFile file(pidPath());
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readAll().trimmed().toLong();
}

// Neither running nor a zombie: the process table holds no entry for it.
bool processGone(long pid) { return !QFile::exists(QString("/proc/%1").arg(pid)); }

// Files and folders.
QStringList entriesUnder(const QString& folder) {
    QStringList files;
    QDirIterator all(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                     QDirIterator::Subdirectories);
    while (all.hasNext()) files << all.next();
    return files;
}

// A recording of 1 s with sound, and a temporary location of this test's own that jobs write
// in; the fake tool is installed once the recording is made.
class CancelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString folder = QString::fromStdString(TestEnv::makeDir("cancel"));
        temp = folder + "/tmp";
        ASSERT_TRUE(QDir().mkpath(temp));
        qputenv("TMPDIR", temp.toUtf8());
        QFile::remove(toolPath());
        QFile::remove(pidPath());
        recording = folder + "/clip.MOV";
        output = folder + "/out.mp4";
        recording::ClipOptions options;
        options.width = options.height = 320;
        options.seconds = 1;
        std::string error;
        ASSERT_TRUE(recording::writeRecording(recording.toStdString(), options, &error)) << error;
        installTool();
    }
    void TearDown() override {
        QFile::remove(toolPath());
        QFile::remove(pidPath());
    }
    VideoSimple360Generator* start() {
        auto* generator = VideoSimple360Generator::genPanoramaVideo(recording, output, 256, 128, -1,
                                                                    -1, -1, -1, -1);
        QObject::connect(generator, &VideoSimple360Generator::videoGenProgressUpdate,
                         [this](float p, float, int, int) { progress = p; });
        QObject::connect(generator, &VideoSimple360Generator::videoGenerationFailed,
                         [this](int code) { failed = code; });
        return generator;
    }
    void expectNothingLeft(long pid) {
        EXPECT_TRUE(processGone(pid)) << "pid " << pid;
        EXPECT_FALSE(QFile::exists(output));
        EXPECT_EQ(entriesUnder(temp).join('\n').toStdString(), "");
    }

    QString temp;
    QString recording;
    QString output;
    float progress = 0;
    int failed = 0;
};

}  // namespace

// Every frame is out and the sound stage waits for the tool: the cancel ends the tool and the
// job fails with -10002 at once.
TEST_F(CancelTest, CancelWhileTheSoundIsTakenEndsTheToolAndTheJob) {
    QPointer<VideoSimple360Generator> generator = start();
    // 96 %: the last frame is handed out, the sound stage has begun.
    ASSERT_TRUE(EventWait::waitFor([&] { return toolPid() != 0 && progress >= 0.96f; }, 60000));
    const long pid = toolPid();
    QElapsedTimer clock;
    clock.start();
    generator->cancelGeneration();
    // The generator deletes itself after its report, once every thread of the job is joined.
    ASSERT_TRUE(EventWait::waitFor([&] { return generator.isNull(); }, 20000));
    EXPECT_LT(clock.elapsed(), kPromptMs);
    EXPECT_EQ(failed, kCancelled);
    expectNothingLeft(pid);
}

// A job deleted while the tool runs (the program quits) ends the tool instead of waiting for it.
TEST_F(CancelTest, DeletingTheJobWhileTheSoundIsTakenEndsTheTool) {
    VideoSimple360Generator* generator = start();
    ASSERT_TRUE(EventWait::waitFor([&] { return toolPid() != 0; }, 60000));
    const long pid = toolPid();
    QElapsedTimer clock;
    clock.start();
    delete generator;
    EXPECT_LT(clock.elapsed(), kPromptMs);
    expectNothingLeft(pid);
}
