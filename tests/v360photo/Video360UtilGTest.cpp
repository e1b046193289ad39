// 360 video helpers: thumbnails from clips encoded here, sizes, free space, temporary folder.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include "TestEnv.h"
#include "Video360Util.h"

namespace {

QString scratch(const std::string& name) {
    static const std::string dir = TestEnv::makeDir("v360video");
    return QString::fromStdString(dir + "/" + name);
}

// A 64 x 64 clip at 30 fps whose frame n has the grey level 8 n (lossless).
QString clip(const std::string& name, double seconds) {
    const QString path = scratch(name);
    if (QFileInfo::exists(path)) return path;
    QProcess p;
    p.start(
        "ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i",
         QString("color=black:s=64x64:r=30:d=%1,format=gray,geq=lum='mod(N*8,256)'").arg(seconds),
         "-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv444p", path});
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return path;
}

long long freeMegabytes(const QString& path) {
    return QStorageInfo(path).bytesAvailable() / 1000000;
}

// isEnoughSpace(free + delta, path) with `free` the free megabytes of `path`, judged at a moment
// when they stay the same across the call: other tests write files meanwhile. Fails the test
// when the space never holds still within a generous deadline.
bool judgedAtSteadySpace(const QString& path, long long delta) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        const long long before = freeMegabytes(path);
        const bool enough = Video360Util::isEnoughSpace(before + delta, path);
        if (freeMegabytes(path) == before) return enough;
    }
    ADD_FAILURE() << "the free space of " << path.toStdString() << " never held still";
    return false;
}

int greyAt(const QImage& image) {
    return qGray(image.pixel(image.width() / 2, image.height() / 2));
}

}  // namespace

TEST(Video360Util, SizeTable) {
    struct Case {
        int seconds, height;
        long long generated, temporary;
    };
    const Case cases[] = {{60, 1440, 120, 240},
                          {60, 1080, 60, 120},
                          {60, 2160, 240, 480},
                          {1, 1440, 2, 4},
                          {0, 2160, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(Video360Util::measureGeneratedVideoSize(c.seconds, c.height), c.generated);
        EXPECT_EQ(Video360Util::measureGeneratingVideoTempSize(c.seconds, c.height), c.temporary);
    }
}

TEST(Video360Util, EnoughSpaceNeedsMoreThanTheRequest) {
    EXPECT_FALSE(Video360Util::isEnoughSpace(0, ""));
    EXPECT_FALSE(Video360Util::isEnoughSpace(0, "/no/such/folder/anywhere/file.mp4"));
    const QString dir = QString::fromStdString(TestEnv::root());
    const long long free = freeMegabytes(dir);
    ASSERT_GT(free, 1);
    EXPECT_FALSE(judgedAtSteadySpace(dir, 0));
    EXPECT_TRUE(judgedAtSteadySpace(dir, -1));
    EXPECT_TRUE(Video360Util::isEnoughSpace(free / 2, dir));
}

TEST(Video360Util, MountRootIsJudgedByItsOwnVolume) {
    QStringList roots = {"/dev/shm", "/dev", "/run", "/tmp", "/sys/fs/cgroup"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) roots << volume.rootPath();
    for (const QString& root : roots) {
        const QStorageInfo volume(root);
        if (root == "/" || volume.rootPath() != root || !volume.isReady()) continue;
        const long long own = freeMegabytes(root);
        const long long parent = freeMegabytes(QFileInfo(root).absolutePath());
        if (own < 2 || std::llabs(own - parent) < 2) continue;
        // The parent volume has another amount of room than the root's own volume.
        EXPECT_FALSE(judgedAtSteadySpace(root, 0)) << root.toStdString();
        EXPECT_TRUE(judgedAtSteadySpace(root, -1)) << root.toStdString();
        return;
    }
    GTEST_SKIP() << "no mount root with another amount of room than its parent";
}

TEST(Video360Util, TemporaryFolderIsCreated) {
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio";
    QDir(expected).removeRecursively();
    EXPECT_EQ(Video360Util::getGeneratingTempPath(1), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());
    EXPECT_EQ(Video360Util::getGeneratingTempPath(1LL << 50), QString());
}

TEST(Video360Util, PlainThumbnailTimeRule) {
    const QString path = clip("grey.mp4", 2);
    QImage atZero, atNegative, atSixth, atHalf;
    double duration = 0;
    ASSERT_EQ(Video360Util::getThumbnailFromVideo(path, 0, 32, 16, &atZero, &duration), 0);
    EXPECT_NEAR(duration, 2, 0.05);
    ASSERT_EQ(Video360Util::getThumbnailFromVideo(path, -3, 32, 16, &atNegative, nullptr), 0);
    ASSERT_EQ(Video360Util::getThumbnailFromVideo(path, 5 / 30.0, 32, 16, &atSixth, nullptr), 0);
    ASSERT_EQ(Video360Util::getThumbnailFromVideo(path, 0.5, 32, 16, &atHalf, nullptr), 0);
    EXPECT_EQ(atZero.size(), QSize(32, 16));
    // Time 0 or below shows frame 5 (1/6 s); 0.5 s is frame 15.
    EXPECT_NEAR(greyAt(atZero), 40, 3);
    EXPECT_EQ(greyAt(atNegative), greyAt(atZero));
    EXPECT_EQ(greyAt(atSixth), greyAt(atZero));
    EXPECT_NEAR(greyAt(atHalf), 120, 3);
}

TEST(Video360Util, ThumbnailOfA360VideoAndItsFacts) {
    const QString path = clip("long.mp4", 90.9);
    QImage out;
    int height = 0, offset = -1;
    double duration = 0;
    long long created = 0, durationMs = 0;
    ASSERT_EQ(Video360Util::getThumbnailFrom360Video(path, 40, 20, 90, &out, &height, &duration,
                                                     &created, &offset, &durationMs),
              0);
    EXPECT_EQ(durationMs, 90000);
    EXPECT_NEAR(duration, 90.9, 0.05);
    EXPECT_EQ(height, 64);
    EXPECT_EQ(offset, 0);  // TZ is UTC
    EXPECT_NEAR(created, QFileInfo(path).lastModified().toMSecsSinceEpoch(), 120000);
    EXPECT_EQ(out.size(), QSize(40, 20));
    EXPECT_NEAR(greyAt(out), 40, 3);
    // Null fact outputs are skipped.
    EXPECT_EQ(Video360Util::getThumbnailFrom360Video(path, 40, 20, 90, &out, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr),
              0);
}

TEST(Video360Util, FisheyeThumbnailAndFailures) {
    const QString path = clip("grey.mp4", 2);
    QImage out;
    double duration = 0;
    ASSERT_EQ(Video360Util::getThumbnailFromSrcVideo(path, 40, 20, 90, &out, &duration), 0);
    EXPECT_EQ(out.size(), QSize(40, 20));
    EXPECT_NEAR(duration, 2, 0.05);
    const QString text = scratch("notavideo.mp4");
    QFile f(text);
    f.open(QIODevice::WriteOnly);
    f.write("plain text, no video here");
    f.close();
    const QString missing = scratch("missing.mp4");
    EXPECT_EQ(Video360Util::getThumbnailFromSrcVideo(missing, 40, 20, 90, &out, nullptr), -30);
    EXPECT_EQ(Video360Util::getThumbnailFromVideo(missing, 0, 40, 20, &out, nullptr), -30);
    EXPECT_LT(Video360Util::getThumbnailFromVideo(text, 0, 40, 20, &out, nullptr), 0);
    for (int angle : {0, -1, 400})
        EXPECT_EQ(Video360Util::getThumbnailFromSrcVideo(path, 40, 20, angle, &out, nullptr), -22);
}
