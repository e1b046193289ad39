// A produced video end to end: a title, a video section, a photo section and the end section
// in one job, checked with ffprobe and by sampling its frames.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <array>
#include <cstdlib>
#include <vector>

#include "ConvertTestMedia.h"
#include "Dewarp360.h"
#include "EventWait.h"
#include "SectionFixtures.h"
#include "V360EndSectionBuilder.h"
#include "V360EndTitle.h"
#include "V360FadeTransitor.h"
#include "V360FlyInTitle.h"
#include "V360PhotoSectionBuilder.h"
#include "V360TitleSectionBuilder.h"
#include "V360VideoSectionBuilder.h"
#include "VideoSimple360Generator.h"

using namespace SectionFixtures;
using ConvertTestMedia::probe;
using ConvertTestMedia::run;

namespace {

const int W = 512, H = 256;
// Frames of the sections: 2.5 s title, 1 s of video at 27, 1 s photo, the end.
const int kTitle = 75, kVideo = 27, kPhoto = 30, kEnd = 90;
const int kVideoFirst = kTitle, kPhotoFirst = kTitle + kVideo, kEndFirst = kPhotoFirst + kPhoto;
const int kFrames = kEndFirst + kEnd;

// The decoded RGB frames of a video.
class Frames {
  public:
    explicit Frames(const QString& path)
        : raw(run("ffmpeg",
                  {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"})) {}
    int count() const { return raw.size() / (W * H * 3); }
    const unsigned char* pixel(int frame, int x, int y) const {
        return reinterpret_cast<const unsigned char*>(raw.constData()) +
               ((size_t(frame) * H + y) * W + x) * 3;
    }
    // Mean R, G, B over the frame.
    std::array<double, 3> mean(int frame) const {
        std::array<double, 3> sum{0, 0, 0};
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += pixel(frame, x, y)[c];
        for (double& s : sum) s /= W * H;
        return sum;
    }
    // Pixels brighter than 128 in all channels inside the rectangle.
    int bright(int frame, int x0, int y0, int w, int h) const {
        int n = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                const unsigned char* p = pixel(frame, x, y);
                n += p[0] > 128 && p[1] > 128 && p[2] > 128;
            }
        return n;
    }

  private:
    QByteArray raw;
};

}  // namespace

TEST(ProducedVideo, TitleVideoPhotoAndEndInOneJob) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const QString dir = folder("produced");
    const QString clip = dir + "/clip.mp4";
    run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=c=0x646464:s=256x256:r=27:d=1",
                   "-f", "lavfi", "-i", "sine=f=440:r=44100:d=1", "-c:v", "libx264", "-pix_fmt",
                   "yuv420p", "-c:a", "aac", clip});
    const QString red = solidImage(dir + "/red.png", W, H, Qt::red);
    const QString blue = solidImage(dir + "/blue.png", W, H, Qt::blue);
    const QString green = solidImage(dir + "/green.png", W, H, Qt::green);
    const QString photo = solidImage(dir + "/photo.jpg", 300, 300, QColor(180, 180, 180));
    const QString out = dir + "/produced.mp4";

    auto* generator = new VideoSimple360Generator(out, W, H, 2000000, "", 1.0, -1, -1, -1, dir);
    V360FlyInTitle title(2, W, H, const_cast<char*>("RAVLIX"));
    V360EndTitle endTitle(11, W, H);
    V360FadeTransitor fade(8, W, H);
    generator->addV360SectionBuilder(new V360TitleSectionBuilder(W, H, &title, "", nullptr, 2.5));
    generator->addV360SectionBuilder(new V360VideoSectionBuilder(
        W, H, clip, "", 0, 0, -1, -1, red, blue, &fade, &fade, "", -1, -1, -1));
    generator->addV360SectionBuilder(
        new V360PhotoSectionBuilder(W, H, photo, "", 1.0, blue, green, &fade, &fade, -1, -1, -1));
    generator->addV360SectionBuilder(new V360EndSectionBuilder(W, H, &endTitle, green, &fade));
    QString finished;
    int failed = 1;
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFinished,
                     [&](QString path) { finished = path; });
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFailed,
                     [&](int code) { failed = code; });
    generator->setShouldAutoDelete(true);
    generator->closeVideoGeneration();
    ASSERT_TRUE(EventWait::waitFor([&] { return !finished.isEmpty() || failed != 1; }, 240000));
    ASSERT_EQ(out, finished) << failed;

    // The stream: every section's frames at 27 a second, the sound of all four, the box.
    EXPECT_EQ(QString("27/1\n%1").arg(kFrames), probe(out, "stream=r_frame_rate,nb_frames"));
    const QString sound =
        QString::fromUtf8(run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                          "stream=codec_name,duration", "-of", "csv=p=0", out}))
            .trimmed();
    ASSERT_TRUE(sound.startsWith("aac,")) << sound.toStdString();
    EXPECT_NEAR(2.5 + 1.0 + 1.0 + 3.0, sound.section(',', 1).toDouble(), 0.15);
    const QString side = QString::fromUtf8(
        run("ffprobe", {"-v", "error", "-show_entries", "stream_side_data", out}));
    EXPECT_TRUE(side.contains("Spherical Mapping")) << side.toStdString();
    EXPECT_TRUE(side.contains("equirectangular"));

    const Frames frames(out);
    ASSERT_EQ(kFrames, frames.count());
    // The title stands in its three boxes once its characters have flown in, nothing above.
    for (int f : {30, 50, kTitle - 1}) {
        SCOPED_TRACE(f);
        for (int copy = 0; copy < 3; ++copy) {
            const int x = title.gapWidth() + copy * (title.boxWidth() + 2 * title.gapWidth());
            EXPECT_GT(frames.bright(f, x, title.topRow(), title.boxWidth(), title.boxHeight()), 20);
        }
        EXPECT_EQ(0, frames.bright(f, 0, 0, W, title.topRow() - 2));
    }
    // Half fades: red into the video (R - G), the video into blue and blue into the photo
    // (B - G), the photo into green (G - R). The grey content adds nothing to the differences.
    const auto excess = [&](int f, int over, int under) {
        const std::array<double, 3> m = frames.mean(f);
        return m[over] - m[under];
    };
    for (int k : {0, 7, 14})
        EXPECT_NEAR(255 * (0.5 - k / 30.0), excess(kVideoFirst + k, 0, 1), 12) << k;
    for (int k : {15, 20, 26})
        EXPECT_NEAR(255 * ((k - 12) / 30.0), excess(kVideoFirst + k, 2, 1), 12) << k;
    for (int k : {0, 7, 14})
        EXPECT_NEAR(255 * (0.5 - k / 30.0), excess(kPhotoFirst + k, 2, 1), 12) << k;
    for (int k : {15, 22, 29})
        EXPECT_NEAR(255 * ((k - 15) / 30.0), excess(kPhotoFirst + k, 1, 0), 12) << k;
    // Between the fades: the dewarped grey of each source (the photo's lighter).
    EXPECT_LT(frames.mean(kVideoFirst + 14)[1], frames.mean(kPhotoFirst + 14)[1] - 20);
    // The end title's frame throughout its section.
    for (int f : {kEndFirst, kEndFirst + 45, kFrames - 1})
        EXPECT_GT(frames.bright(f, 0, 0, W, H), 100) << f;
    EXPECT_TRUE(QFileInfo::exists(out));
}
