// The lens circle found before a conversion reaches the panorama job, doubled as the overlays
// hand it over, and the panorama follows the lens: each converted frame is compared with the
// equirectangular view ffmpeg's own 360 filter makes of the same lens circle.
#include <gtest/gtest.h>

#include <QImage>
#include <QObject>

#include <cstdlib>

#include "CircleCheckTask.h"
#include "ConvertTestMedia.h"
#include "EventWait.h"
#include "PanoramaConversion.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "VideoSimple360Generator.h"

using namespace ConvertTestMedia;

namespace {

const int kSide = 960;
const int kW = 512, kH = 256;

// Takes the finished search's circle, as the overlays' checkCircleDone does.
class CircleReceiver : public QObject {
    Q_OBJECT
  public slots:
    void checkCircleDone() {
        circle = PanoramaConversion::foundCircle(*qobject_cast<CircleCheckTask*>(sender()));
        done = true;
    }

    // The job's reports, not looked at here.
    void onVideoGenProgressUpdate(float, float, int, int) {}
    void onVideoGenerationFinished(QString) {}
    void onVideoGenerationFailed(int) {}

  public:
    CircleInfo circle;
    bool done = false;
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

QImage convert(const QString& recording, const QString& out, const CircleInfo& circle) {
    bool finished = false;
    CircleReceiver receiver;
    VideoSimple360Generator* job =
        PanoramaConversion::start(recording, out, QSize(kW, kH), circle, &receiver);
    QObject::connect(job, &VideoSimple360Generator::videoGenerationFinished,
                     [&](QString) { finished = true; });
    QObject::connect(job, &VideoSimple360Generator::videoGenerationFailed,
                     [&](int) { finished = true; });
    EXPECT_TRUE(EventWait::waitFor([&] { return finished; }, 120000));
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

        CircleReceiver receiver;
        ASSERT_TRUE(PanoramaConversion::findCircle(recording, &receiver, SLOT(checkCircleDone())));
        ASSERT_TRUE(EventWait::waitFor([&] { return receiver.done; }, 60000));
        const CircleInfo& found = receiver.circle;
        // Found at half size, doubled: within two pixels of the drawn circle.
        EXPECT_LE(std::abs(found.centerX - x), 2);
        EXPECT_LE(std::abs(found.centerY - y), 2);
        EXPECT_LE(std::abs(found.radius - radius), 2);

        const QImage model = modelView(recording, x, y, radius);
        ASSERT_EQ(model.size(), QSize(kW, kH));
        const double right =
            meanDifference(convert(recording, folder + "/found.mp4", found), model);
        // Nearest sampling on both sides and a compressed recording leave edge pixels apart.
        EXPECT_LT(right, 15) << "with the found circle";
        // A circle dropped (the frame's defaults) or with its axes swapped is told apart.
        const CircleInfo swapped{found.centerY, found.centerX, found.radius, 0};
        const CircleInfo none{-1, -1, -1, 0};
        for (const CircleInfo& wrong : {none, swapped}) {
            if (wrong.centerX == found.centerX && wrong.centerY == found.centerY) continue;
            EXPECT_GT(meanDifference(convert(recording, folder + "/wrong.mp4", wrong), model),
                      1.6 * right)
                << wrong.centerX << "," << wrong.centerY << "," << wrong.radius;
        }
    }
}

#include "ConversionLensGTest.moc"
