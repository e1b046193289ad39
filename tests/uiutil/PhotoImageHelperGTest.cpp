#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>

#include "Dewarp360.h"
#include "EventWait.h"
#include "LogCapture.h"
#include "PhotoImageHelper.h"
#include "PictureFixtures.h"
#include "TestEnv.h"

namespace {

struct Fetch {
    bool fetched;
    int result;
    uchar* buf;
    QString path;
    int index;
};

struct PhotoRecorder {
    std::vector<Fetch> seen;

    explicit PhotoRecorder(PhotoImageHelper& h) {
        QObject::connect(&h, &PhotoImageHelper::photoImageFetched,
                         [this](uchar* b, QString p, double, int i) {
                             seen.push_back({true, 0, b, p, i});
                         });
        QObject::connect(&h, &PhotoImageHelper::photoImageFetchFailed,
                         [this](int r, QString p, double, int i) {
                             seen.push_back({false, r, nullptr, p, i});
                         });
    }

    bool waitCount(size_t n) {
        return EventWait::waitFor([&] { return seen.size() >= n; }, 20000);
    }
};

// An 8-bit grey photo (converted to 32-bit by the task) of one level.
QString greyPhoto(const std::string& name, int level) {
    QImage img(800, 400, QImage::Format_Grayscale8);
    img.fill(level);
    const QString path = QString::fromStdString(TestEnv::makeDir("photo") + "/" + name);
    EXPECT_TRUE(img.save(path, "PNG"));
    return path;
}

uint32_t pixel(const uchar* buf, int x, int y, int w) {
    uint32_t v;
    std::memcpy(&v, buf + (size_t(y) * w + x) * 4, 4);
    return v;
}

const QString kNoAttitude = "/nonexistent/attitude.eye";

}  // namespace

TEST(PhotoImageHelper, QueueRefusesBadRequests) {
    PhotoImageHelper helper(64);
    PhotoRecorder rec(helper);
    EXPECT_EQ(-4, helper.queueGetImage("", kNoAttitude, 0, 0));
    EXPECT_EQ(-7, helper.queueGetImage("x.png", kNoAttitude, -1, 0));
    EventWait::settle(100);
    EXPECT_TRUE(rec.seen.empty());
}

// Runs first: the lens is process-wide and nothing has set it yet.
TEST(PhotoImageHelper, ThumbnailFillsTheSizeAndIsOpaqueBlackWithoutLens) {
    PhotoImageHelper helper(256);
    PhotoRecorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(greyPhoto("a.png", 200), kNoAttitude, 1.5, 4));
    ASSERT_TRUE(rec.waitCount(1));
    ASSERT_TRUE(rec.seen[0].fetched);
    EXPECT_EQ(4, rec.seen[0].index);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(0xff000000u, pixel(rec.seen[0].buf, x, y, 256)) << x << "," << y;
}

TEST(PhotoImageHelper, ThumbnailShowsThePhotoThroughTheLens) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    PhotoImageHelper helper(256);
    PhotoRecorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(greyPhoto("b.png", 200), kNoAttitude, 0, 0));
    ASSERT_TRUE(rec.waitCount(1));
    int grey = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint32_t p = pixel(rec.seen[0].buf, x, y, 256);
            ASSERT_TRUE(p == 0xffc8c8c8u || p == 0xff000000u) << std::hex << p;
            grey += p == 0xffc8c8c8u;
        }
    EXPECT_GT(grey, 256 * 128 / 2);
}

TEST(PhotoImageHelper, RepeatIsAnsweredAtOnceWithTheSameBuffer) {
    PhotoImageHelper helper(64);
    PhotoRecorder rec(helper);
    const QString a = greyPhoto("c.png", 90);
    const QString c = greyPhoto("d.png", 30);
    ASSERT_EQ(0, helper.queueGetImage(a, kNoAttitude, 0, 0));
    ASSERT_TRUE(rec.waitCount(1));
    ASSERT_EQ(0, helper.queueGetImage(a, "/other/attitude.eye", 0, 1));
    ASSERT_EQ(2u, rec.seen.size());  // before returning
    EXPECT_EQ(rec.seen[0].buf, rec.seen[1].buf);
    ASSERT_EQ(0, helper.queueGetImage(c, kNoAttitude, 0, 2));
    ASSERT_EQ(0, helper.queueGetImage(c, kNoAttitude, 0, 3));
    ASSERT_TRUE(rec.waitCount(4));
    EXPECT_EQ(2, rec.seen[2].index);
    EXPECT_EQ(3, rec.seen[3].index);
    EXPECT_EQ(rec.seen[0].buf, rec.seen[3].buf);
}

TEST(PhotoImageHelper, ClearedTaskIsNotReportedAndTheQueueMovesOn) {
    PhotoImageHelper helper(512);
    PhotoRecorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(greyPhoto("e.png", 10), kNoAttitude, 0, 0));
    ASSERT_EQ(0, helper.queueGetImage(greyPhoto("f.png", 20), kNoAttitude, 0, 1));
    helper.clearAllQueue();
    ASSERT_EQ(0, helper.queueGetImage(greyPhoto("g.png", 30), kNoAttitude, 0, 2));
    ASSERT_TRUE(rec.waitCount(1));
    EventWait::settle(200);
    ASSERT_EQ(1u, rec.seen.size());
    EXPECT_EQ(2, rec.seen[0].index);
}

TEST(PhotoImageHelper, UnreadablePhotoIsReportedAsFailure) {
    PhotoImageHelper helper(64);
    PhotoRecorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage("/nonexistent/photo.jpg", kNoAttitude, 2.0, 5));
    ASSERT_TRUE(rec.waitCount(1));
    EXPECT_FALSE(rec.seen[0].fetched);
    EXPECT_EQ(-2, rec.seen[0].result);
}

// 1 KB of headers declaring 60000 x 60000 pixels (14.4 GB as ARGB) is refused unread.
TEST(PhotoImageHelper, PhotoDeclaringAHugeSizeIsRefusedUnread) {
    LogCapture& log = LogCapture::install();
    const QString path = QString::fromStdString(TestEnv::makeDir("photo") + "/huge.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpegHeadersDeclaring(60000, 60000));
    file.close();
    PhotoImageHelper helper(64);
    PhotoRecorder rec(helper);
    ASSERT_EQ(0, helper.queueGetImage(path, kNoAttitude, 0, 1));
    ASSERT_TRUE(rec.waitCount(1));
    EXPECT_FALSE(rec.seen[0].fetched);
    EXPECT_EQ(-2, rec.seen[0].result);
    EXPECT_EQ(1, log.count("GetPhotoThumbnailTask",
                           "Picture too large: 60000x60000, " + path.toStdString()));
}

TEST(PhotoImageHelper, DestructionWaitsForTheRunningTask) {
    {
        PhotoImageHelper helper(512);
        ASSERT_EQ(0, helper.queueGetImage(greyPhoto("h.png", 40), kNoAttitude, 0, 0));
    }
    EventWait::settle(100);
}
