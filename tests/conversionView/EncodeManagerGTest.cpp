#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

#include "ConvertTestMedia.h"
#include "EncodeManager.h"
#include "EventWait.h"
#include "RecordingFiles.h"
#include "TestEnv.h"
#include "VideoEncodeTask.h"

namespace {

// A probe of its own over any sample file.
class SampleProbe : public EncodeManager {
  public:
    explicit SampleProbe(QString sample) : EncodeManager(sample) {}
};

QString flags(const EncodeManager& probe) {
    return QString("%1%2%3")
        .arg(probe.getIs2160x1080Enable())
        .arg(probe.getIs2880x1440Enable())
        .arg(probe.getIs3840x1920Enable());
}

// Runs the probe to its end, noting every distinct state of the flags on the way.
QStringList runProbe(EncodeManager& probe) {
    QStringList states{flags(probe)};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (states.last() != flags(probe)) states << flags(probe);
    });
    poll.start(1);
    probe.init();
    EXPECT_TRUE(EventWait::waitFor([&] { return probe.isDone(); }, 60000));
    if (states.last() != flags(probe)) states << flags(probe);
    return states;
}

}  // namespace

TEST(EncodeManager, CopiesTheSampleAndLeavesAOneFrameTrialAtTheLargestSize) {
    EncodeManager* probe = EncodeManager::instance();
    const QString sample = EncodeManager::defaultSamplePath();
    ASSERT_TRUE(QFile::exists(sample));
    EXPECT_EQ(ConvertTestMedia::readAll(sample), ConvertTestMedia::readAll(":/video/sample.mov"));
    EXPECT_TRUE(QFileInfo(sample).isWritable());
    const int sampleWidth = ConvertTestMedia::probe(sample, "stream=width").toInt();
    EXPECT_EQ(sampleWidth % 8, 0);

    EXPECT_EQ(runProbe(*probe), QStringList{"111"});
    const QString trial = EncodeManager::trialOutputPath();
    ASSERT_TRUE(QFile::exists(trial));
    EXPECT_EQ(ConvertTestMedia::probe(trial, "stream=codec_name,width,height"), "h264\n3840\n1920");
    bool ok = false;
    const QString frames = QString::fromUtf8(ConvertTestMedia::run(
        "ffprobe",
        {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
         "stream=nb_read_frames", "-of", "default=nw=1:nk=1", trial},
        &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(frames.trimmed(), "1");
}

TEST(EncodeManager, JunkOrMissingSampleFailsEveryTrialOneAfterAnother) {
    const std::string dir = TestEnv::makeDir("junk");
    const std::string junk = dir + "/sample.mov";
    ASSERT_TRUE(recording::writeRandom(junk, 5000, 7));
    // Under a plain file the embedded sample cannot be copied.
    ASSERT_TRUE(recording::writeFile(dir + "/file", "x"));
    struct Case {
        QString sample;
        bool exists;
    } cases[] = {{QString::fromStdString(junk), true},
                 {QString::fromStdString(dir + "/file/sample.mov"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample.toStdString());
        SampleProbe probe(c.sample);
        EXPECT_EQ(QFile::exists(c.sample), c.exists);
        // A failed 2160x1080 or 2880x1440 trial does not stop the next one; no flag comes back.
        EXPECT_EQ(runProbe(probe), (QStringList{"111", "011", "001", "000"}));
    }
}

// A window closing while a trial runs waits for the trial's current step only: a cancelled
// trial opens no encoder and writes nothing, and its size keeps its flag.
TEST(EncodeManager, ACancelledTrialSkipsItsStepsAndKeepsTheFlag) {
    const QString output = EncodeManager::trialOutputPath();
    ASSERT_TRUE(recording::writeFile(output.toStdString(), "old trial"));
    VideoEncodeTask trial(nullptr, EncodeManager::defaultSamplePath(), 3840, 1920);
    trial.cancel();
    trial.start();
    ASSERT_TRUE(trial.wait(30000));
    EXPECT_EQ(trial.getResult(), 0);
    EXPECT_FALSE(QFile::exists(output));

    SampleProbe probe(EncodeManager::defaultSamplePath());
    probe.init();
    probe.stopTrials();
    EventWait::settle(50);
    EXPECT_FALSE(probe.isDone()) << "no further trial starts";
    EXPECT_EQ(flags(probe), "111");
}
