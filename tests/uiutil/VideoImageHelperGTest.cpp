#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "DecodeTestSupport.h"
#include "EventWait.h"
#include "TestEnv.h"
#include "VideoImageHelper.h"

namespace {

const std::vector<std::string> kX264 = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "30"};

struct Clips {
    std::string dir;
    std::string small;  // 320x240, 30 fps, 2 s
    std::string big;    // 3840x1920, 30 fps, 1 s
};

const Clips& clips() {
    static const Clips made = [] {
        Clips c;
        c.dir = TestEnv::makeDir("grab");
        c.small = DecodeTest::makeClip(c.dir, "small.mp4", "320x240", 30, 2.0, kX264);
        c.big = DecodeTest::makeClip(c.dir, "big.mp4", "3840x1920", 30, 1.0, kX264);
        return c;
    }();
    return made;
}

// Everything a helper signals, in order.
struct Outcome {
    bool fetched;
    int result;
    QString path;
    double time;
    int index;  // -2 for the short forms
    QImage image;
};

struct Recorder {
    std::vector<Outcome> seen;

    explicit Recorder(VideoImageHelper& h) {
        using H = VideoImageHelper;
        QObject::connect(&h, QOverload<QImage, QString, double>::of(&H::videoImageFetched),
                         [this](QImage i, QString p, double t) {
                             seen.push_back({true, 0, p, t, -2, i});
                         });
        QObject::connect(&h, QOverload<QImage, QString, double, int>::of(&H::videoImageFetched),
                         [this](QImage i, QString p, double t, int x) {
                             seen.push_back({true, 0, p, t, x, i});
                         });
        QObject::connect(&h, QOverload<int, QString, double>::of(&H::videoImageFetchFailed),
                         [this](int r, QString p, double t) {
                             seen.push_back({false, r, p, t, -2, QImage()});
                         });
        QObject::connect(&h, QOverload<int, QString, double, int>::of(&H::videoImageFetchFailed),
                         [this](int r, QString p, double t, int x) {
                             seen.push_back({false, r, p, t, x, QImage()});
                         });
    }

    bool waitCount(size_t n, int ms = 20000) {
        return EventWait::waitFor([&] { return seen.size() >= n; }, ms);
    }
};

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TEST(VideoImageHelper, QueueRefusesBadRequestsWithoutSignals) {
    VideoImageHelper helper(0);
    Recorder rec(helper);
    const QString small = q(clips().small);
    struct Case {
        QString path;
        double time;
        int expected;
    } cases[] = {{"", 0.5, -4}, {small, -0.01, -7}, {small, 2.5, -7}};
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, helper.queueGetImage(c.path, c.time, 1)) << c.time;
    EventWait::settle(200);
    EXPECT_TRUE(rec.seen.empty());
}

TEST(VideoImageHelper, TimeAtTheLengthIsAccepted) {
    VideoImageHelper helper(0);
    Recorder rec(helper);
    EXPECT_EQ(0, helper.queueGetImage(q(clips().small), 2.0));
    ASSERT_TRUE(rec.waitCount(1));
}

TEST(VideoImageHelper, SignalFormFollowsTheIndex) {
    VideoImageHelper helper(0);
    Recorder rec(helper);
    const QString small = q(clips().small);
    ASSERT_EQ(0, helper.queueGetImage(small, 0.5));
    ASSERT_EQ(0, helper.queueGetImage(small, 1.0, 7));
    ASSERT_TRUE(rec.waitCount(2));
    ASSERT_EQ(2u, rec.seen.size());
    EXPECT_EQ(-2, rec.seen[0].index);
    EXPECT_EQ(7, rec.seen[1].index);
    const int expectedFrames[] = {15, 30};
    for (int i = 0; i < 2; ++i) {
        const Outcome& o = rec.seen[i];
        ASSERT_TRUE(o.fetched);
        EXPECT_EQ(small, o.path);
        ASSERT_EQ(QSize(320, 240), o.image.size());
        EXPECT_EQ(expectedFrames[i], DecodeTest::frameIndex(o.image.constBits(), 320, 240));
    }
}

TEST(VideoImageHelper, ScalesToTheWidthInProportion) {
    VideoImageHelper helper(320);
    Recorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(q(clips().big), 0.5, 0));
    ASSERT_TRUE(rec.waitCount(1));
    ASSERT_TRUE(rec.seen[0].fetched);
    EXPECT_EQ(QSize(320, 160), rec.seen[0].image.size());
    EXPECT_EQ(15, DecodeTest::frameIndex(rec.seen[0].image.constBits(), 320, 160));
}

TEST(VideoImageHelper, KeepsTheDecoderOpenForTheSameFile) {
    const std::string dir = TestEnv::makeDir("reuse");
    const std::string p = DecodeTest::makeClip(dir, "p.mp4", "320x240", 30, 1.0, kX264);
    const QString P = q(p);
    VideoImageHelper helper(0);
    Recorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(P, 0.5, 0));
    ASSERT_TRUE(rec.waitCount(1));
    ASSERT_EQ(0, std::remove(p.c_str()));
    // The length of a missing file reads as 0.
    ASSERT_EQ(0, helper.queueGetImage(P, 0.0, 1));
    ASSERT_TRUE(rec.waitCount(2));
    EXPECT_TRUE(rec.seen[1].fetched);
    ASSERT_EQ(0, helper.queueGetImage(q(clips().small), 0.5, 2));
    ASSERT_EQ(0, helper.queueGetImage(P, 0.0, 3));
    ASSERT_TRUE(rec.waitCount(4));
    EXPECT_TRUE(rec.seen[2].fetched);
    const Outcome& reopened = rec.seen[3];
    EXPECT_FALSE(reopened.fetched);
    EXPECT_EQ(-30, reopened.result);
    EXPECT_EQ(-2, reopened.index);  // failed opens use the short form
}

TEST(VideoImageHelper, ClearedGrabIsNeverSignalledAndTheQueueMovesOn) {
    VideoImageHelper helper(64);
    Recorder rec(helper);
    const QString big = q(clips().big);
    ASSERT_EQ(0, helper.queueGetImage(big, 0.9, 0));  // running
    ASSERT_EQ(0, helper.queueGetImage(big, 0.2, 1));  // waiting
    helper.clearAllQueue();
    ASSERT_EQ(0, helper.queueGetImage(q(clips().small), 1.0, 2));
    ASSERT_TRUE(rec.waitCount(1));
    EventWait::settle(300);
    ASSERT_EQ(1u, rec.seen.size());
    EXPECT_EQ(2, rec.seen[0].index);
    EXPECT_TRUE(rec.seen[0].fetched);
}

TEST(VideoImageHelper, DestructionWaitsForTheRunningGrab) {
    {
        VideoImageHelper helper(0);
        Recorder rec(helper);
        ASSERT_EQ(0, helper.queueGetImage(q(clips().big), 0.9, 0));
        ASSERT_EQ(0, helper.queueGetImage(q(clips().big), 0.5, 1));
    }
    EventWait::settle(300);
}
