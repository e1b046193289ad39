// The picture limit over every user of decoded pictures: the media layer's decoder, the
// playback layer (player and still frames), the controller and the lens-circle search refuse a
// file whose picture is wider or taller than the limit as broken, before decoding any of it,
// and take a picture at the limit.
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>

#include "AVPlayer.h"
#include "EventWait.h"
#include "FFMpegDecoder360G.h"
#include "FirstFrameReader.h"
#include "H264Fixtures.h"
#include "PictureLimits.h"
#include "RavlixPlayer.h"
#include "TestEnv.h"
#include "VideoFrameExtractor.h"

using EventWait::waitFor;

namespace {

struct Clip {
    const char* name;
    int width, height;
    const char* format;  // "mp4", or "h264": a bare stream whose pictures alone state the size
    bool allowed;
};

// Two tiny grey H.264 frames made by the ffmpeg tool; "" on failure.
QString make(const QString& dir, const Clip& clip) {
    const QString path = dir + "/" + clip.name;
    QProcess ffmpeg;
    ffmpeg.start(QCoreApplication::applicationDirPath() + "/ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QString("color=c=gray:s=%1x%2:r=30:d=0.05").arg(clip.width).arg(clip.height),
                  "-c:v", "libx264", "-pix_fmt", "yuv420p", "-f", clip.format, path});
    const bool made = ffmpeg.waitForFinished(60000) &&
                      ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
    return made ? path : QString();
}

// Each user of decoded pictures: whether it takes the file.
struct User {
    const char* name;
    std::function<bool(const QString&)> takes;
};

bool decoderOpens(const QString& path) {
    FFMpegDecoder360G decoder;
    const int result = decoder.initWithFilePath(path.toUtf8().constData());
    EXPECT_TRUE(result == 0 || result == -2) << result;
    return result == 0;
}

bool playerLoads(const QString& path) {
    QtAV::AVPlayer player;
    QSignalSpy errors(&player, &QtAV::AVPlayer::error);
    player.setFile(path);
    const bool loaded = player.load();
    EXPECT_EQ(loaded ? 0 : 1, errors.count());
    return loaded;
}

bool extractorGivesFrame(const QString& path) {
    QtAV::VideoFrameExtractor extractor;
    QSignalSpy frames(&extractor, &QtAV::VideoFrameExtractor::frameExtracted);
    QSignalSpy errors(&extractor, &QtAV::VideoFrameExtractor::error);
    extractor.setSource(path);
    extractor.extract();
    EXPECT_TRUE(waitFor([&] { return frames.count() + errors.count() > 0; }, 10000));
    return frames.count() == 1;
}

// The broken-file message follows sigOpenFailed.
bool controllerShows(const QString& path) {
    RavlixPlayer* controller = RavlixPlayer::newPlayer(nullptr);
    QSignalSpy failed(controller, &RavlixPlayer::sigOpenFailed);
    QSignalSpy extracted(controller, &RavlixPlayer::sigFrameExtracted);
    controller->open(path);
    EXPECT_TRUE(waitFor([&] { return failed.count() + extracted.count() > 0; }, 10000));
    const bool shown = failed.count() == 0;
    RavlixPlayer::deletePlayer(controller);
    return shown;
}

bool circleSearchGetsFrame(const QString& path) {
    int result = 1;
    const QImage frame = FirstFrameReader::read(path, &result);
    EXPECT_EQ(frame.isNull() ? -2 : 0, result);
    return !frame.isNull() && !FirstFrameReader::halfSize(path).isNull();
}

TEST(PictureLimits, EveryUserRefusesAPictureAboveTheLimitAndTakesOneAtIt) {
    constexpr int kMax = PictureLimits::kMaxSide;
    const Clip clips[] = {
        {"wide.mp4", kMax + 8, 16, "mp4", false},    // size stated by the container
        {"tall.h264", 16, kMax + 8, "h264", false},  // size found by probing the stream
        {"limit.mp4", kMax, 16, "mp4", true},
    };
    const User users[] = {
        {"decoder", decoderOpens},
        {"player", playerLoads},
        {"still frames", extractorGivesFrame},
        {"controller", controllerShows},
        {"lens-circle search", circleSearchGetsFrame},
    };
    const QString dir = QString::fromStdString(TestEnv::makeDir("limits"));
    for (const Clip& clip : clips) {
        const QString path = make(dir, clip);
        ASSERT_FALSE(path.isEmpty()) << clip.name;
        for (const User& user : users)
            EXPECT_EQ(clip.allowed, user.takes(path)) << user.name << ", " << clip.name;
    }
}

// The container and the probe see a small stream; a later sequence asks for a picture of
// 8208 x 8208 (67.4 million pixels), which the decoder must refuse before sizing anything.
TEST(PictureLimits, PictureGrowingAboveTheLimitInsideTheStreamIsNeverDecoded) {
    const QString dir = QString::fromStdString(TestEnv::makeDir("growing"));
    const QString path = make(dir, {"small.h264", 64, 64, "h264", true});
    ASSERT_FALSE(path.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    const QByteArray grown = h264PictureOfMacroblocks(513);
    ASSERT_EQ(grown.size(), file.write(grown));
    file.close();

    FFMpegDecoder360G decoder;
    ASSERT_EQ(0, decoder.initWithFilePath(path.toUtf8().constData()));
    int frames = 0;
    while (AVFrame** cell = decoder.readNextVideoFrame()) {
        AVFrame* frame = *cell;
        EXPECT_TRUE(PictureLimits::allows(frame->width, frame->height))
            << frame->width << "x" << frame->height;
        ++frames;
        av_frame_unref(frame);
        av_frame_free(&frame);
        delete cell;
    }
    EXPECT_EQ(2, frames);
}

}  // namespace
