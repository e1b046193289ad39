// The lens circle that a conversion job finds reaches its panorama job, doubled to full-frame
// pixels, and the panorama follows the lens: each converted frame is compared with the
// equirectangular view ffmpeg's own 360 filter makes of the same lens circle.
#include <gtest/gtest.h>

#include <QImage>
#include <QObject>

#include <cstdlib>
#include <vector>

#include "ConversionJob.h"
#include "ConversionQueue.h"
#include "ConvertTestMedia.h"
#include "EventWait.h"
#include "LensCircleSearch.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "VideoSimple360Generator.h"

using namespace ConvertTestMedia;

namespace {

const int kSide = 960;
const int kW = 512, kH = 256;

struct Circle {
    int x, y, radius;
};

QImage firstFrame(const QString& video, const QStringList& filter) {
    const QString png = video + ".png";
    run("ffmpeg", QStringList{"-v", "error", "-y", "-i", video} + filter +
                      QStringList{"-frames:v", "1", png});
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

// ffmpeg's view of the lens: the circle's square as a 210-degree fisheye, the lens axis down.
QImage modelView(const QString& recording, int x, int y, int radius) {
    return firstFrame(recording,
                      {"-vf", QString("crop=%1:%1:%2:%3,v360=input=fisheye:output=equirect:"
                                      "ih_fov=210:iv_fov=210:interp=near:pitch=90:w=%4:h=%5")
                                  .arg(2 * radius)
                                  .arg(x - radius)
                                  .arg(y - radius)
                                  .arg(kW)
                                  .arg(kH)});
}

// Mean channel difference over the rows both views draw (up to 15 degrees above the horizon).
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    int count = 0;
    for (int row = kH * 80 / 180; row < kH; ++row)
        for (int column = 0; column < kW; ++column) {
            const QRgb p = a.pixel(column, row), q = b.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
            count += 3;
        }
    return sum / count;
}

// The first converted frame of a conversion job, which finds the circle itself.
QImage convertAsTheOverlaysDo(const QString& recording, const QString& out) {
    ConversionQueue conversions;
    ConversionJob* job = conversions.add(recording, out, QSize(kW, kH));
    bool finished = false;
    QObject::connect(job, &ConversionJob::finished, [&](QString) { finished = true; });
    EXPECT_TRUE(EventWait::waitFor([&] { return conversions.isIdle(); }, 120000));
    EXPECT_TRUE(finished);
    return firstFrame(out, {});
}

// The first converted frame of a panorama job given `circle`.
QImage convertWith(const QString& recording, const QString& out, const Circle& circle) {
    bool ended = false;
    VideoSimple360Generator* job = VideoSimple360Generator::genPanoramaVideo(
        recording, out, kW, kH, circle.x, circle.y, circle.radius, -1, -1);
    QObject::connect(job, &QObject::destroyed, [&] { ended = true; });
    EXPECT_TRUE(EventWait::waitFor([&] { return ended; }, 120000));
    return firstFrame(out, {});
}

}  // namespace

TEST(ConversionLens, FoundCircleReachesThePanoramaAndMatchesTheLens) {
    const struct {
        const char* name;
        int x, y, radius;
    } lenses[] = {{"the camera's circle", -1, -1, -1}, {"off-centre and smaller", 440, 500, 430}};
    for (const auto& lens : lenses) {
        SCOPED_TRACE(lens.name);
        const QString folder = QString::fromStdString(TestEnv::makeDir("lens"));
        const QString recording = folder + "/LENS.MOV";
        recording::ClipOptions options;
        options.width = options.height = kSide;
        options.seconds = 1;
        options.lensX = lens.x;
        options.lensY = lens.y;
        options.lensRadius = lens.radius;
        ASSERT_TRUE(recording::writeRecording(recording.toStdString(), options));
        const int x = lens.x < 0 ? kSide / 2 : lens.x, y = lens.y < 0 ? kSide / 2 : lens.y;
        const int radius = lens.radius < 0 ? 451 : lens.radius;  // 0.47 x 960, rounded

        LensCircleSearch search;
        std::vector<int> reported;
        QObject::connect(&search, &LensCircleSearch::finished,
                         [&](int result, int cx, int cy, int r) {
                             reported = {result, cx, cy, r};
                         });
        search.start({recording});
        ASSERT_TRUE(EventWait::waitFor([&] { return !reported.empty(); }, 60000));
        ASSERT_EQ(reported[0], 0);
        const Circle found{reported[1], reported[2], reported[3]};
        // Found at half size, doubled: within two pixels of the drawn circle.
        EXPECT_LE(std::abs(found.x - x), 2);
        EXPECT_LE(std::abs(found.y - y), 2);
        EXPECT_LE(std::abs(found.radius - radius), 2);

        const QImage model = modelView(recording, x, y, radius);
        ASSERT_EQ(model.size(), QSize(kW, kH));
        const double right =
            meanDifference(convertAsTheOverlaysDo(recording, folder + "/found.mp4"), model);
        // Nearest sampling on both sides and a compressed recording leave edge pixels apart.
        EXPECT_LT(right, 15) << "with the found circle";
        // A circle dropped (the frame's defaults) or with its axes swapped is told apart.
        const Circle swapped{found.y, found.x, found.radius};
        const Circle none{-1, -1, -1};
        for (const Circle& wrong : {none, swapped}) {
            if (wrong.x == found.x && wrong.y == found.y) continue;
            EXPECT_GT(meanDifference(convertWith(recording, folder + "/wrong.mp4", wrong), model),
                      1.6 * right)
                << wrong.x << "," << wrong.y << "," << wrong.radius;
        }
    }
}
