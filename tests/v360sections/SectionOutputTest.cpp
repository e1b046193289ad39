// Video and photo sections inside a job, checked on the output frames: which rotation each frame
// is levelled with, how the rotation data is prepared, the time-lapse rule, the colour filters
// and the overlay image, against models of the lens and of the filters written here.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>

#include <cmath>
#include <memory>
#include <vector>

#include "ConvertTestMedia.h"
#include "Dewarp360.h"
#include "ExtVideoRotationFeederFactory.h"
#include "SectionFixtures.h"
#include "V360PanoramaVideoSectionBuilder.h"
#include "V360PhotoSectionBuilder.h"
#include "V360VideoSectionBuilder.h"
#include "Video360GeneratorHelper.h"
#include "VideoRotationFeeder.h"
#include "VideoSimple360Generator.h"

using namespace ConvertTestMedia;
using SectionFixtures::folder;

namespace {

const int W = 256, H = 128;
// Sources are drawn at this side; the video sections decode them at 2016, the photo section
// takes them at 3000: the lens circle is the same fraction of the frame either way.
const int kSide = 252;
const double kCentre = 126, kRadius = 120.75;
const double kPi = 3.14159265358979323846;

// A yaw about the lens axis of `step` degrees per frame; records how it was prepared.
class YawFeeder : public VideoRotationFeeder {
  public:
    struct Preparation {
        int first, count;
        bool operator==(const Preparation& o) const { return first == o.first && count == o.count; }
    };
    YawFeeder(double step, std::vector<Preparation>* prepared) : step(step), prepared(prepared) {}
    double getDuration() override { return 1000; }
    void fillRotationData(int frame, double R[3][3]) override {
        const double a = step * frame * kPi / 180;
        const double rows[3][3] = {
            {std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) R[r][c] = rows[r][c];
    }
    void prepareFilteredRotationData(int first, int count) override {
        prepared->push_back({first, count});
    }

  private:
    const double step;
    std::vector<Preparation>* prepared;
};

// Hands out yaw feeders in place of every feeder made, keeping the parsing result of the one
// replaced (which tells what became of the eye path).
class YawFactory : public ExtVideoRotationFeederFactory {
  public:
    explicit YawFactory(double step) : step(step) {
        VideoRotationFeeder::setExtRotationFeederFactory(this);
    }
    ~YawFactory() override { VideoRotationFeeder::setExtRotationFeederFactory(nullptr); }
    VideoRotationFeeder* onFeederCreated(VideoRotationFeeder* feeder) override {
        parsingResults.push_back(feeder->getParsingResult());
        delete feeder;
        return new YawFeeder(step, &prepared);
    }
    std::vector<YawFeeder::Preparation> prepared;
    std::vector<int> parsingResults;

  private:
    const double step;
};

// The lens as the CPU dewarp should see it, with the rotation left out: output row i looks
// 180 i / H degrees away from the lens axis (the zenith), column j at picture azimuth
// -360 j / W (y down); equidistant, 105 degrees at the circle. A yaw of psi degrees about the
// axis moves what the picture shows at azimuth a to the column of azimuth a - psi.
double rowAt(double theta) { return theta / 180 * H; }
int columnOf(double azimuth) {
    const double j = std::fmod(-azimuth / 360 * W, W);
    return static_cast<int>(std::lround(j < 0 ? j + W : j)) % W;
}

// Picture pixel (x, y) as the direction theta degrees from the axis, at picture azimuth a.
void directionOf(int x, int y, double* theta, double* azimuth) {
    const double dx = x - kCentre, dy = y - kCentre;
    *theta = std::hypot(dx, dy) / kRadius * 105;
    *azimuth = std::atan2(dy, dx) * 180 / kPi;
}

// Fisheye frames n = 0, 1, ... of grey 40 + 8n with a red wedge from 45 to 95 degrees off the
// axis at azimuth -10 to 10 degrees; black outside the circle.
std::vector<QImage> wedgePictures(int count) {
    QImage wedge(kSide, kSide, QImage::Format_RGB32);
    const QRgb grey = qRgb(1, 1, 1);  // stands for the frame's level
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            double theta, azimuth;
            directionOf(x, y, &theta, &azimuth);
            const bool red = theta > 45 && theta < 95 && std::abs(azimuth) < 10;
            wedge.setPixel(x, y, theta > 105 ? qRgb(0, 0, 0) : red ? qRgb(230, 30, 30) : grey);
        }
    std::vector<QImage> pictures;
    for (int n = 0; n < count; ++n) {
        QImage picture = wedge.copy();
        const int level = 40 + 8 * n;
        auto* pixels = reinterpret_cast<QRgb*>(picture.bits());
        for (int i = 0; i < kSide * kSide; ++i)
            if (pixels[i] == grey) pixels[i] = qRgb(level, level, level);
        pictures.push_back(picture);
    }
    return pictures;
}

// Inner colour within 40 degrees of the axis, outer colour out to the circle, black beyond.
QImage ringPicture(QColor inner, QColor outer) {
    QImage picture(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            double theta, azimuth;
            directionOf(x, y, &theta, &azimuth);
            picture.setPixelColor(x, y,
                                  theta > 105  ? QColor(Qt::black)
                                  : theta < 40 ? inner
                                               : outer);
        }
    return picture;
}

// Mean colour of output row `row`.
QColor rowColour(const QImage& frame, int row) {
    double sum[3] = {0, 0, 0};
    for (int j = 0; j < frame.width(); ++j) {
        const QColor c = frame.pixelColor(j, row);
        sum[0] += c.red();
        sum[1] += c.green();
        sum[2] += c.blue();
    }
    return QColor::fromRgb(std::lround(sum[0] / W), std::lround(sum[1] / W),
                           std::lround(sum[2] / W));
}

// The middle column of the red run in row `row` (the run may wrap), -1 without one.
int redColumn(const QImage& frame, int row) {
    double x = 0, y = 0;
    int n = 0;
    for (int j = 0; j < W; ++j) {
        const QColor c = frame.pixelColor(j, row);
        if (c.red() < c.green() + 100) continue;
        x += std::cos(2 * kPi * j / W);
        y += std::sin(2 * kPi * j / W);
        ++n;
    }
    if (n == 0) return -1;
    const double a = std::atan2(y, x);
    return static_cast<int>(std::lround((a < 0 ? a + 2 * kPi : a) / (2 * kPi) * W)) % W;
}

int circularDistance(int a, int b) {
    const int d = std::abs(a - b) % W;
    return std::min(d, W - d);
}

// A level through a gamma, as the colour filter's tables define it.
int gamma(int level, double g) {
    return std::min(255, static_cast<int>(std::pow(level / 255.0, g) * 255 + 0.5));
}

QColor filtered(QColor c, double r, double g, double b) {
    return QColor(gamma(c.red(), r), gamma(c.green(), g), gamma(c.blue(), b));
}

int channelDistance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

class SectionOutput : public testing::Test {
  protected:
    static void SetUpTestSuite() { setCameraParameters(FRONT_DIRECTION_NORMAL, 210); }
};

}  // namespace

TEST_F(SectionOutput, VideoSectionsLevelEachFrameWithItsRotationAndPrepareTheirRange) {
    const double step = 7;
    YawFactory factory(step);
    const QString dir = folder("levelling");
    // Source frame n: grey 40 + 8n, so each output frame tells which source frame it shows.
    pictureClip(wedgePictures(22), dir + "/clip.mp4");
    ASSERT_TRUE(QFile::copy(dir + "/clip.mp4", dir + "/TL_clip.mp4"));
    // Relative source paths: the sandbox's random name could hold "TL" itself.
    const QString home = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    const QString clip = "clip.mp4", timeLapse = "TL_clip.mp4";
    const struct {
        const char* name;
        QString path, eye;
        double filterStart, eyeEnd, offset, start;
        YawFeeder::Preparation prepared;
        int parsing;     // of the feeder the eye path gave
        int rotation;    // rotation index of the section's frame 0
        int firstShown;  // source frame of the section's frame 0
    } sections[] = {
        {"from the filter start to the end", clip, "", 0.5, -1, 0, 0, {14, -1}, 1, 0, 0},
        {"up to the eye end, offset rotation, later start",
         clip,
         dir + "/missing.eye",
         0.3,
         1.2,
         0.5,
         0.5,
         {8, 24},
         30,
         14,
         14},
        {"time-lapse: fixed range, no seek", timeLapse, "", 0, -1, 1.0, 0.5, {30, 2}, 1, 27, 0},
    };
    const int frames = 6;
    const QString out = dir + "/out.mp4";
    auto* generator = new VideoSimple360Generator(out, W, H, 4000000, "", 1.0, -1, -1, -1, dir);
    generator->setShouldAutoDelete(true);
    for (const auto& s : sections) {
        auto* section = new V360VideoSectionBuilder(W, H, s.path, s.eye, s.filterStart, s.offset,
                                                    s.start, s.start + frames / 27.0, "", "",
                                                    nullptr, nullptr, "", -1, -1, -1);
        if (s.eyeEnd > 0) section->setEyeEndTime(s.eyeEnd);
        generator->addV360SectionBuilder(section);
    }
    generator->closeVideoGeneration();
    const int result = runJob(generator);
    QDir::setCurrent(home);
    ASSERT_EQ(result, 0);

    const std::vector<QImage> output = decodedFrames(out, W, H);
    ASSERT_EQ(output.size(), 3u * frames);
    ASSERT_EQ(factory.prepared.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        const auto& s = sections[k];
        SCOPED_TRACE(s.name);
        EXPECT_EQ(factory.prepared[k], s.prepared)
            << factory.prepared[k].first << ", " << factory.prepared[k].count;
        EXPECT_EQ(factory.parsingResults[k], s.parsing);
        for (int n = 0; n < frames; ++n) {
            const QImage& frame = output[k * frames + n];
            EXPECT_NEAR(rowColour(frame, rowAt(20)).green(), 40 + 8 * (s.firstShown + n), 3)
                << "frame " << n;
            // The wedge at azimuth 0 turned by the frame's yaw.
            const int expected = columnOf(-step * (s.rotation + n));
            EXPECT_LE(circularDistance(redColumn(frame, rowAt(70)), expected), 1)
                << "frame " << n << ": column " << redColumn(frame, rowAt(70)) << " for "
                << expected;
        }
    }
}

TEST_F(SectionOutput, FiltersAndOverlayImageWhereTheSectionsApplyThem) {
    YawFactory level(0);
    const QString dir = folder("filters");
    const QColor inner(200, 120, 60), outer(60, 170, 220);
    const QImage fisheye = ringPicture(inner, outer);
    // Each source frame stays on screen for three output frames.
    const QString clip = pictureClip(std::vector<QImage>(6, fisheye), dir + "/clip.mp4", 9);
    const QString photo = dir + "/photo.png";
    ASSERT_TRUE(fisheye.save(photo));
    // The overlay fills what the lens does not see: its centre straight down, its rim 75
    // degrees from there, at the lens edge.
    const QColor centre(250, 40, 200), rim(40, 250, 90);
    QImage overlay(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            overlay.setPixelColor(x, y, std::hypot(x - 100, y - 100) < 50 ? centre : rim);
    const QString overlayPath = dir + "/overlay.png";
    ASSERT_TRUE(overlay.save(overlayPath));

    const QString out = dir + "/out.mp4";
    auto* generator =
        new VideoSimple360Generator(out, W, H, 4000000, overlayPath, 1.0, -1, -1, -1, dir);
    generator->setShouldAutoDelete(true);
    const double job[3] = {1.0, 0.7, 2.0};
    Video360GeneratorHelper::getHelper()->setColorFilter(job[0], job[1], job[2]);
    const double video[3] = {0.5, 2.0, 1.0}, still[3] = {2.0, 1.0, 0.5};
    generator->addV360SectionBuilder(new V360VideoSectionBuilder(
        W, H, clip, "", 0, 0, 0, -1, "", "", nullptr, nullptr, "", video[0], video[1], video[2]));
    generator->addV360SectionBuilder(new V360PhotoSectionBuilder(
        W, H, photo, "", 0.5, "", "", nullptr, nullptr, still[0], still[1], still[2]));
    generator->addV360SectionBuilder(
        new V360PanoramaVideoSectionBuilder(W, H, clip, -1, -1, kCentre, kCentre, kRadius));
    generator->closeVideoGeneration();
    ASSERT_EQ(runJob(generator), 0);

    // The section's filter, then the job's, on what the lens sees; the overlay unfiltered; the
    // panorama (lens axis at the bottom row) neither filters nor shows the overlay.
    const auto both = [&](QColor c, const double* section) {
        const QColor once = filtered(c, section[0], section[1], section[2]);
        return filtered(once, job[0], job[1], job[2]);
    };
    struct Row {
        double theta;
        QColor colour;
    };
    const struct {
        const char* name;
        int frames;
        bool fromTop;  // lens axis at the top row, else at the bottom
        std::vector<Row> rows;
    } sections[] = {
        {"video",
         18,
         true,
         {{20, both(inner, video)}, {70, both(outer, video)}, {120, rim}, {170, centre}}},
        {"photo",
         15,
         true,
         {{20, both(inner, still)}, {70, both(outer, still)}, {120, rim}, {170, centre}}},
        {"panorama", 18, false, {{20, inner}, {70, outer}, {120, Qt::black}, {170, Qt::black}}},
    };
    const std::vector<QImage> output = decodedFrames(out, W, H);
    ASSERT_EQ(output.size(), 18u + 15u + 18u);
    int first = 0;
    for (const auto& s : sections) {
        SCOPED_TRACE(s.name);
        for (int n = 0; n < s.frames; ++n)
            for (const Row& r : s.rows) {
                const int row = static_cast<int>(rowAt(s.fromTop ? r.theta : 180 - r.theta));
                const QColor seen = rowColour(output[first + n], row);
                EXPECT_LE(channelDistance(seen, r.colour), 6)
                    << "frame " << n << ", " << r.theta
                    << " degrees off the axis: " << seen.name().toStdString() << " for "
                    << r.colour.name().toStdString();
            }
        first += s.frames;
    }
}
