#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include "EventWait.h"
#include "QtavFixture.h"
#include "VideoFrameExtractor.h"

using QtAV::VideoFrame;
using QtAV::VideoFrameExtractor;

namespace {

using EventWait::settle;
using EventWait::waitFor;

// Collects what an extractor sends, on the test's thread.
struct Results {
    explicit Results(VideoFrameExtractor* extractor) {
        QObject::connect(extractor, &VideoFrameExtractor::frameExtracted, &receiver,
                         [this](const VideoFrame& f) { frames.push_back(f); });
        QObject::connect(extractor, &VideoFrameExtractor::error, &receiver,
                         [this](const QString& m) { errors.push_back(m); });
    }
    QObject receiver;
    std::vector<VideoFrame> frames;
    std::vector<QString> errors;
};

int indexAt(qint64 ms) { return std::min(int(std::ceil(ms * 30 / 1000.0 - 1e-6)), 89); }

class VideoFrameExtractorTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        clipA = new QString(QtavFixture::make("clipA", {3.0, 30, true, false}));
        clipB = new QString(QtavFixture::make("clipB", {1.0, 30, true, true}));
    }
    static void TearDownTestSuite() {
        delete clipA;
        delete clipB;
    }
    void SetUp() override {
        ASSERT_FALSE(clipA->isEmpty());
        ASSERT_FALSE(clipB->isEmpty());
    }
    static QString* clipA;
    static QString* clipB;
};

QString* VideoFrameExtractorTest::clipA = nullptr;
QString* VideoFrameExtractorTest::clipB = nullptr;

TEST_F(VideoFrameExtractorTest, GivesTheFirstFrameAtOrAfterThePosition) {
    VideoFrameExtractor extractor;
    // The signatures the player controller connects by text.
    QSignalSpy frames(&extractor, SIGNAL(frameExtracted(QtAV::VideoFrame)));
    QSignalSpy errors(&extractor, SIGNAL(error(QString)));
    ASSERT_TRUE(frames.isValid());
    ASSERT_TRUE(errors.isValid());
    Results results(&extractor);
    extractor.setSource(*clipA);
    for (qint64 ms :
         {qint64(1000), qint64(0), qint64(1510), qint64(2990), qint64(50000), qint64(-300)}) {
        const size_t before = results.frames.size();
        extractor.setPosition(ms);
        ASSERT_TRUE(waitFor([&] { return results.frames.size() > before; }, 5000)) << ms;
        const VideoFrame& frame = results.frames.back();
        const int expected = indexAt(std::max<qint64>(ms, 0));
        EXPECT_EQ(expected, QtavFixture::frameIndex(frame)) << ms;
        EXPECT_NEAR(expected / 30.0, frame.timestamp(), 0.002) << ms;
        EXPECT_EQ(QtavFixture::kWidth, frame.width());
    }
    EXPECT_TRUE(results.errors.empty());
}

TEST_F(VideoFrameExtractorTest, ExtractAsksAgainWithoutAutoExtract) {
    VideoFrameExtractor extractor;
    Results results(&extractor);
    extractor.setAutoExtract(false);
    extractor.setSource(*clipA);
    extractor.setPosition(500);
    settle(300);
    EXPECT_TRUE(results.frames.empty());
    extractor.extract();
    ASSERT_TRUE(waitFor([&] { return !results.frames.empty(); }, 5000));
    EXPECT_EQ(15, QtavFixture::frameIndex(results.frames.back()));
}

TEST_F(VideoFrameExtractorTest, LatestRequestReplacesPendingOnes) {
    VideoFrameExtractor extractor;
    Results results(&extractor);
    extractor.setSource(*clipA);
    const int requests = 40;
    for (int i = 1; i <= requests; ++i) extractor.setPosition(i * 70);
    ASSERT_TRUE(waitFor(
        [&] {
            return !results.frames.empty() &&
                   QtavFixture::frameIndex(results.frames.back()) == indexAt(requests * 70);
        },
        5000));
    settle(300);
    EXPECT_LT(results.frames.size(), size_t(requests) / 2);
    EXPECT_EQ(indexAt(requests * 70), QtavFixture::frameIndex(results.frames.back()));
    for (size_t i = 1; i < results.frames.size(); ++i)
        EXPECT_GT(results.frames[i].timestamp(), results.frames[i - 1].timestamp());
}

TEST_F(VideoFrameExtractorTest, RequestEqualToTheOneInProgressIsDropped) {
    VideoFrameExtractor extractor;
    Results results(&extractor);
    extractor.setSource(*clipA);
    extractor.setPosition(0);  // unchanged position: no request
    extractor.extract();
    extractor.extract();
    extractor.extract();
    ASSERT_TRUE(waitFor([&] { return !results.frames.empty(); }, 5000));
    settle(300);
    EXPECT_LE(results.frames.size(), 2u);
    EXPECT_EQ(0, QtavFixture::frameIndex(results.frames.front()));
}

TEST_F(VideoFrameExtractorTest, DecoderStaysOpenWhileTheSourceIsUnchanged) {
    const QString copy = *clipA + ".copy.mp4";
    ASSERT_TRUE(QFile::copy(*clipA, copy));
    VideoFrameExtractor extractor;
    Results results(&extractor);
    extractor.setSource(copy);
    extractor.setPosition(300);
    ASSERT_TRUE(waitFor([&] { return results.frames.size() == 1; }, 5000));
    // The open file still serves requests after its name is gone...
    ASSERT_TRUE(QFile::remove(copy));
    extractor.setPosition(2000);
    ASSERT_TRUE(waitFor([&] { return results.frames.size() == 2; }, 5000));
    EXPECT_EQ(60, QtavFixture::frameIndex(results.frames.back()));
    // ...until another source is opened.
    extractor.setSource(*clipB);
    extractor.setPosition(500);
    ASSERT_TRUE(waitFor([&] { return results.frames.size() == 3; }, 5000));
    EXPECT_EQ(15, QtavFixture::frameIndex(results.frames.back()));
    extractor.setSource(copy);
    extractor.setPosition(100);
    ASSERT_TRUE(waitFor([&] { return !results.errors.empty(); }, 5000));
    EXPECT_EQ(3u, results.frames.size());
}

TEST_F(VideoFrameExtractorTest, BadSourcesGiveErrors) {
    const QString dir = QFileInfo(*clipA).absolutePath();
    QFile junk(dir + "/junk.mov");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(5000, 'x'));
    junk.close();
    const QString audioOnly = QtavFixture::make("audioOnly", {0.5, 30, false, true});
    ASSERT_FALSE(audioOnly.isEmpty());
    for (const QString& path : {QString(), dir + "/missing.mov", junk.fileName(), audioOnly}) {
        VideoFrameExtractor extractor;
        Results results(&extractor);
        extractor.setSource(path);
        extractor.extract();
        ASSERT_TRUE(waitFor([&] { return !results.errors.empty(); }, 5000)) << path.toStdString();
        settle(50);
        EXPECT_EQ(1u, results.errors.size());
        EXPECT_TRUE(results.frames.empty());
    }
}

TEST_F(VideoFrameExtractorTest, DestructionWhileBusyJoinsTheWorkerAndSilencesIt) {
    std::atomic<int> emittedWhileDestroyed{0};
    std::atomic<bool> destroying{false};
    QObject receiver;
    int delivered = 0;
    for (int i = 0; i < 5; ++i) {
        auto extractor = std::make_unique<VideoFrameExtractor>();
        auto count = [&] {
            if (destroying) ++emittedWhileDestroyed;
        };
        QObject::connect(extractor.get(), &VideoFrameExtractor::frameExtracted, &receiver, count,
                         Qt::DirectConnection);
        QObject::connect(extractor.get(), &VideoFrameExtractor::error, &receiver, count,
                         Qt::DirectConnection);
        QObject::connect(extractor.get(), &VideoFrameExtractor::frameExtracted, &receiver,
                         [&] { ++delivered; });
        extractor->setSource(*clipA);
        extractor->setPosition(2900);
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 3));
        destroying = true;
        extractor.reset();
        destroying = false;
    }
    EXPECT_EQ(0, emittedWhileDestroyed.load());
    settle(100);
    EXPECT_LE(delivered, 5);
}

TEST_F(VideoFrameExtractorTest, ResultsCarryTheRequestTheyAnswer) {
    VideoFrameExtractor extractor;
    std::vector<quint64> answered;
    QObject::connect(
        &extractor, &VideoFrameExtractor::frameExtracted, &extractor,
        [&] { answered.push_back(extractor.answeredRequest()); }, Qt::DirectConnection);
    Results results(&extractor);
    EXPECT_EQ(0u, extractor.lastRequest());
    extractor.setSource(*clipA);
    extractor.setPosition(1000);
    const quint64 first = extractor.lastRequest();
    extractor.setPosition(2000);  // replaces the first unless it started
    const quint64 second = extractor.lastRequest();
    EXPECT_GT(second, first);
    ASSERT_TRUE(waitFor(
        [&] {
            return results.frames.size() == answered.size() && !answered.empty() &&
                   answered.back() == second;
        },
        5000));
    EXPECT_EQ(60, QtavFixture::frameIndex(results.frames.back()));
    if (answered.size() == 2) {
        EXPECT_EQ(first, answered.front());
        EXPECT_EQ(30, QtavFixture::frameIndex(results.frames.front()));
    }
    // A repeat is answered by the request in progress or replaces the pending one.
    extractor.setPosition(100);
    const quint64 asked = extractor.lastRequest();
    extractor.extract();
    const quint64 latest = extractor.lastRequest();
    EXPECT_LE(latest, asked + 1);
    ASSERT_TRUE(waitFor([&] { return !answered.empty() && answered.back() == latest; }, 5000));
    settle(200);
    EXPECT_EQ(latest, answered.back());
    for (size_t i = 1; i < answered.size(); ++i) EXPECT_GT(answered[i], answered[i - 1]);
}

TEST_F(VideoFrameExtractorTest, SourceThatCannotSeekStillGivesTheFrameAtThePosition) {
    // A raw H.264 stream: no time stamps and no seeking.
    const QString raw = QFileInfo(*clipA).absolutePath() + "/clipA.h264";
    ASSERT_TRUE(QtavFixture::runFfmpeg({"-v", "error", "-y", "-i", *clipA, "-c:v", "copy", "-bsf:v",
                                        "h264_mp4toannexb", "-f", "h264", raw}));
    VideoFrameExtractor extractor;
    Results results(&extractor);
    extractor.setSource(raw);
    // Each request after a later one must not go on from where that one stopped.
    for (qint64 ms : {qint64(2000), qint64(500), qint64(2500), qint64(0), qint64(1000)}) {
        const size_t before = results.frames.size();
        extractor.setPosition(ms);
        ASSERT_TRUE(waitFor([&] { return results.frames.size() > before; }, 5000)) << ms;
        EXPECT_EQ(indexAt(ms), QtavFixture::frameIndex(results.frames.back())) << ms;
        EXPECT_NEAR(indexAt(ms) / 30.0, results.frames.back().timestamp(), 0.002) << ms;
    }
    EXPECT_TRUE(results.errors.empty());
}

}  // namespace
