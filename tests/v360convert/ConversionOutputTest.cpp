// What a conversion writes, checked on the output file: frames taken by time from sources of
// other rates, colours with their tags, and the panorama's lens model at circles of any size
// and place.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "ConvertTestMedia.h"
#include "FFMpegVideoDecoder.h"
#include "TestEnv.h"
#include "V360DispatchThread.h"
#include "V360PanoramaVideoSectionBuilder.h"
#include "VideoSimple360Generator.h"
#include "VideoSrcFrame.h"

using namespace ConvertTestMedia;

namespace {

QString dir(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }

int convert(const QString& source, const QString& out, int width) {
    return runJob(VideoSimple360Generator::genPanoramaVideo(source, out, width, width / 2, -1, -1,
                                                            -1, -1, -1));
}

double streamDuration(const QString& path, const char* stream) {
    return run("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                           "stream=duration", "-of", "csv=p=0", path})
        .toDouble();
}

// Frame n of `seconds` at `fps` is a flat picture of luma 20 + 10 x (n mod 20), with a tone.
QString timeCodedClip(const QString& path, int fps, int seconds) {
    bool ok = false;
    run("ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i",
         QString("color=black:s=96x96:r=%1:d=%2,format=yuv420p,"
                 "geq=lum='20+10*mod(N\\,20)':cb=128:cr=128")
             .arg(fps)
             .arg(seconds),
         "-f", "lavfi", "-i", QString("sine=d=%1").arg(seconds), "-c:v", "libx264", "-crf", "1",
         "-c:a", "aac", path},
        &ok);
    EXPECT_TRUE(ok) << path.toStdString();
    return path;
}

// The luma planes of every frame of a video.
std::vector<QByteArray> lumaPlanes(const QString& path, int width, int height) {
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "yuv420p", "-"});
    const int frame = width * height * 3 / 2;
    std::vector<QByteArray> planes;
    for (int at = 0; at + frame <= raw.size(); at += frame)
        planes.push_back(raw.mid(at, width * height));
    return planes;
}

// The first frame of a video as our decoder reads it, BGRA.
QImage firstFrame(const QString& path) {
    FFMpegVideoDecoder decoder(true, false);
    if (decoder.initWithFilePath(path.toUtf8().constData(), -1, -1) != 0) return QImage();
    std::unique_ptr<VideoSrcFrame> frame(decoder.readNextVideoFrame());
    if (!frame) return QImage();
    return QImage(frame->getDatePtr(), decoder.getVideoWidth(), decoder.getVideoHeight(),
                  QImage::Format_ARGB32)
        .copy();
}

const int kSide = 1280;

// Below, left, above and right of the centre, as in the fisheye the lens axis looks along.
const QColor kSectors[] = {QColor(38, 198, 38), QColor(200, 40, 40), QColor(40, 40, 200),
                           QColor(230, 180, 60)};

int sectorOf(int x, int y) {
    const int dx = x - kSide / 2, dy = y - kSide / 2;
    if (std::abs(dy) >= std::abs(dx)) return dy >= 0 ? 0 : 2;
    return dx < 0 ? 1 : 3;
}

// An HD fisheye of four coloured sectors in BT.709 limited range, with no colour stated.
QString sectorClip(const QString& folder) {
    QImage picture(kSide, kSide, QImage::Format_RGB888);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) picture.setPixelColor(x, y, kSectors[sectorOf(x, y)]);
    const QString raw = rawFrames({picture}, folder + "/sectors.rgb");
    const QString clip = folder + "/sectors.mp4";
    bool ok = false;
    run("ffmpeg",
        QStringList{"-v", "error", "-y"} + rawFramesInput(QSize(kSide, kSide), 27) +
            QStringList{"-stream_loop", "-1", "-i", raw, "-t", "0.5", "-vf",
                        "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p", "-c:v",
                        "libx264", "-crf", "12", "-bsf:v",
                        "h264_metadata=colour_primaries=2:transfer_characteristics=2:"
                        "matrix_coefficients=2",
                        clip},
        &ok);
    EXPECT_TRUE(ok);
    return clip;
}

int channelDistance(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

// A fisheye picture that tells directions apart: rings of 15 degrees from the lens axis, each
// brighter than the one inside it, cut into six sectors of their own hue; grey outside the
// circle of 105 degrees.
struct LensCircle {
    int width, height;  // of the frame
    int x, y, radius;
};

const QColor kOutside(128, 128, 128);

QColor lensColour(double theta, double azimuth) {
    if (theta > 105) return kOutside;
    static const int hues[6][3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                   {0, 1, 1}, {0, 0, 1}, {1, 0, 1}};
    const int* hue = hues[static_cast<int>(azimuth / 60) % 6];
    const int level = 60 + 30 * std::min(6, static_cast<int>(theta / 15));
    return QColor(hue[0] ? level : 20, hue[1] ? level : 20, hue[2] ? level : 20);
}

// Degrees in [0, 360) of the picture direction (dx, dy), y down.
double azimuthOf(double dx, double dy) {
    const double a = std::atan2(dy, dx) * 180 / M_PI;
    return a < 0 ? a + 360 : a;
}

QImage lensPicture(const LensCircle& c) {
    QImage picture(c.width, c.height, QImage::Format_RGB888);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const double dx = x - c.x, dy = y - c.y;
            picture.setPixelColor(
                x, y, lensColour(std::hypot(dx, dy) / c.radius * 105, azimuthOf(dx, dy)));
        }
    return picture;
}

// The lens as the panorama should see it, written independently of the section: the axis looks
// down, so output row d looks 180 - 180 d / H degrees away from it and column i at picture
// azimuth 90 + 360 i / W; the lens is equidistant (105 degrees at the circle) and sees nothing
// further out. Pixels within `margin` degrees of a ring, sector or the lens edge are not judged.
struct PanoramaCheck {
    int judged = 0;
    int wrong = 0;
};

PanoramaCheck checkLens(const QImage& frame, double margin) {
    PanoramaCheck check;
    const int W = frame.width(), H = frame.height();
    for (int d = 0; d < H; ++d) {
        const double theta = 180 - 180.0 * d / H;
        const bool ringEdge = std::fmod(theta, 15) < margin || std::fmod(theta, 15) > 15 - margin;
        if (std::abs(theta - 105) < margin || theta < 5 || (theta < 105 && ringEdge)) continue;
        for (int i = 0; i < W; ++i) {
            const double azimuth = std::fmod(90 + 360.0 * i / W, 360);
            const double inSector = std::fmod(azimuth, 60);
            if (theta < 105 && (inSector < 2 * margin || inSector > 60 - 2 * margin)) continue;
            const QColor expected = theta > 105 ? QColor(Qt::black) : lensColour(theta, azimuth);
            ++check.judged;
            check.wrong += channelDistance(frame.pixelColor(i, d), expected) > 12;
        }
    }
    return check;
}

}  // namespace

TEST(ConversionOutput, SourcesOfOtherRatesKeepTheirSpeedAndSound) {
    const QString folder = dir("rates");
    const int seconds = 3, w = 128, h = 64;
    for (int fps : {30, 25}) {
        SCOPED_TRACE(fps);
        const QString source =
            timeCodedClip(QString("%1/clip%2.mp4").arg(folder).arg(fps), fps, seconds);
        const QString out = QString("%1/out%2.mp4").arg(folder).arg(fps);
        ASSERT_EQ(convert(source, out, w), 0);
        EXPECT_EQ(probe(out, "stream=r_frame_rate,nb_frames"), "27/1\n81");
        const std::vector<QByteArray> planes = lumaPlanes(out, w, h);
        ASSERT_EQ(planes.size(), 81u);
        // Output frame k shows the source frame on screen at k / 27 s.
        for (int k = 0; k < 81; ++k) {
            const int shown = static_cast<int>(std::floor(k * fps / 27.0 + 1e-6));
            const int luma = static_cast<uint8_t>(planes[k][(h - 1) * w + w / 2]);
            EXPECT_NEAR(luma, 20 + 10 * (shown % 20), 3) << "output frame " << k;
        }
        EXPECT_NEAR(streamDuration(out, "a:0"), seconds, 0.05);
    }
}

TEST(ConversionOutput, ColoursKeepTheirValuesAndTheStreamSaysHowTheyAreWritten) {
    const QString folder = dir("colours");
    const QString source = sectorClip(folder);
    ASSERT_EQ(probe(source, "stream=color_space"), "unknown");
    const QImage in = firstFrame(source);
    ASSERT_FALSE(in.isNull());
    // The first section keeps the frames' YUV; the second renders BGRA and converts back.
    const int W = 1280, H = 640;
    const QString out = folder + "/out.mp4";
    auto* generator = new VideoSimple360Generator(out, W, H, 6250000, "", 1.0, -1, -1, -1, folder);
    generator->setShouldAutoDelete(true);
    for (int section = 0; section < 2; ++section)
        generator->addV360SectionBuilder(
            new V360PanoramaVideoSectionBuilder(W, H, source, -1, -1, -1, -1, -1));
    generator->closeVideoGeneration();
    ASSERT_EQ(runJob(generator), 0);
    EXPECT_EQ(probe(out, "stream=color_range,color_space,color_transfer,color_primaries"),
              "tv\nbt709\nbt709\nbt709");
    const int frames = probe(out, "stream=nb_frames").toInt();
    ASSERT_EQ(frames, 28);
    // Frame 0 of each section: the video's first frame and the frame after the first section.
    for (const char* select : {"eq(n\\,0)", "eq(n\\,14)"}) {
        SCOPED_TRACE(select);
        const QString still = folder + "/still.mp4";
        run("ffmpeg", {"-v",
                       "error",
                       "-y",
                       "-i",
                       out,
                       "-vf",
                       QString("select=%1").arg(select),
                       "-frames:v",
                       "1",
                       "-c:v",
                       "libx264",
                       "-crf",
                       "0",
                       "-colorspace",
                       "bt709",
                       "-color_primaries",
                       "bt709",
                       "-color_trc",
                       "bt709",
                       still});
        const QImage frame = firstFrame(still);
        ASSERT_EQ(frame.size(), QSize(W, H));
        const int row = H * 3 / 4;
        const int columns[] = {0, W / 4, W / 2, 3 * W / 4};
        for (int s = 0; s < 4; ++s) {
            const QColor seen = frame.pixelColor(columns[s], row);
            const QColor sourceSide = in.pixelColor(s == 1   ? 100
                                                    : s == 3 ? kSide - 100
                                                             : kSide / 2,
                                                    s == 0   ? kSide - 100
                                                    : s == 2 ? 100
                                                             : kSide / 2);
            EXPECT_LE(channelDistance(seen, sourceSide), 6)
                << s << ": " << seen.name().toStdString() << " for "
                << sourceSide.name().toStdString();
            EXPECT_LE(channelDistance(sourceSide, kSectors[s]), 4) << s;
        }
    }
}

TEST(ConversionOutput, PanoramaFollowsTheLensModelAtAnyCircle) {
    const QString folder = dir("lensmodel");
    const int W = 512, H = 256;
    // The frame leaves room around each circle: what lies beyond 105 degrees is in the picture.
    const struct {
        LensCircle circle;
        bool planar;
    } cases[] = {{{512, 512, 256, 256, 220}, false},
                 {{640, 480, 250, 260, 170}, false},
                 {{600, 480, 290, 250, 180}, true}};
    for (const auto& k : cases) {
        const LensCircle& c = k.circle;
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " circle " << c.x << ","
                                        << c.y << " r " << c.radius << (k.planar ? " 4:2:0" : ""));
        const std::vector<QImage> pictures = {lensPicture(c), lensPicture(c)};
        // A 4:2:0 source reaches the dewarp in the decoder's own planes, whose rows are longer
        // than the picture's at a width like 600.
        const QString source = pictureClip(pictures, folder + "/lens.mp4", 27,
                                           k.planar ? "yuv420p" : "yuv444p");
        const QString out = folder + "/out.mp4";
        ASSERT_EQ(runJob(VideoSimple360Generator::genPanoramaVideo(source, out, W, H, c.x, c.y,
                                                                   c.radius, -1, -1)),
                  0);
        const std::vector<QImage> frames = decodedFrames(out, W, H);
        ASSERT_EQ(frames.size(), 2u);
        const PanoramaCheck check = checkLens(frames[0], 2);
        EXPECT_GT(check.judged, W * H / 3);
        EXPECT_LE(check.wrong, check.judged / 500) << check.wrong << " of " << check.judged;
    }
}
