// The conversion job on its own: a cancel at any point of the job, up to after its last frame,
// ends it without a report and without a file; a job that goes with the program leaves a file
// only when it has reported it.
#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>

#include "ConversionFixtures.h"
#include "ConversionJob.h"
#include "ConversionQueue.h"
#include "EventWait.h"
#include "TestEnv.h"

using namespace ConversionFixtures;

namespace {

class ConversionJobTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { isolateTemp(); }
};

}  // namespace

// A job cancelled once every frame is handed out (96 % on), and at 99 % while it saves its
// file, may still end on a saved file: the file goes all the same, and nothing is reported.
TEST_F(ConversionJobTest, CancelledAnywhereReportsNothingAndLeavesNoFile) {
    const QString recording = makeRecording("Trip_0002.MOV", 2);
    ASSERT_FALSE(recording.isEmpty());
    const QString target = QString::fromStdString(TestEnv::makeDir("out")) + "/converted.mp4";
    const struct {
        const char* when;
        float progress;  // cancelled at the first report of at least this; negative: at once
    } cases[] = {{"before it starts", -1},
                 {"among the frames", 0.1f},
                 {"after the last frame", 0.96f},
                 {"at 99 %, with the file being saved", 0.99f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        ConversionQueue conversions;
        ConversionJob* job = conversions.add(recording, target, QSize(2160, 1080));
        QStringList reports;
        QObject::connect(job, &ConversionJob::progressUpdated, [&, job](float progress) {
            if (progress >= c.progress && !reports.contains("cancel")) {
                reports << "cancel";
                job->cancel();
            }
        });
        QObject::connect(job, &ConversionJob::finished, [&] { reports << "finished"; });
        QObject::connect(job, &ConversionJob::failed,
                         [&](int code) { reports << QString("failed %1").arg(code); });
        if (c.progress < 0) {
            reports << "cancel";
            job->cancel();
        }
        ASSERT_TRUE(EventWait::waitFor([&] { return conversions.isIdle(); }, 120000));
        EXPECT_EQ(reports.join(",").toStdString(), "cancel");
        EXPECT_FALSE(QFile::exists(target));
    }
}

// The program quits while the job saves its file: the file stays only when the job reported it
// finished before it went; a file saved for nobody goes with the job.
TEST_F(ConversionJobTest, QuittingWhileTheFileIsSavedLeavesItOnlyWhenReported) {
    const QString recording = makeRecording("Trip_0002.MOV", 2);
    ASSERT_FALSE(recording.isEmpty());
    const QString target = QString::fromStdString(TestEnv::makeDir("out")) + "/converted.mp4";
    auto conversions = std::make_unique<ConversionQueue>();
    ConversionJob* job = conversions->add(recording, target, QSize(2160, 1080));
    bool saving = false, finished = false;
    QObject::connect(job, &ConversionJob::progressUpdated,
                     [&](float progress) { saving = progress >= 0.99f; });
    QObject::connect(job, &ConversionJob::finished, [&] { finished = true; });
    ASSERT_TRUE(EventWait::waitFor([&] { return saving || finished; }, 120000));
    conversions.reset();
    EXPECT_EQ(QFile::exists(target), finished);
}
