// Recordings of the sample card generator: at every size it offers, the lens-circle search finds
// the circle it drew and accepts it; pure colours come back pure from the program's decoder,
// in frames under and over 576 lines, and the stream says which matrix it was written with.
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <QImage>

extern "C" {
#include <libavformat/avformat.h>
}

#include "CircleCheckTask.h"
#include "FirstFrameReader.h"
#include "RecordingWriter.h"
#include "TestEnv.h"

namespace {

std::string clipOf(const std::string& name, recording::ClipOptions options) {
    const std::string path = TestEnv::makeDir("card") + "/" + name;
    options.seconds = 1;
    options.fps = 5;
    options.audio = false;
    std::string error;
    EXPECT_TRUE(recording::encodeClip(path, options, &error)) << error;
    return path;
}

TEST(SampleCard, LensCircleIsFoundAtEverySize) {
    for (int side : {recording::kMinSide, 320, 720, 960, 1440, 2160}) {
        SCOPED_TRACE(side);
        recording::ClipOptions options;
        options.width = options.height = side;
        const std::string path = clipOf("LENS" + std::to_string(side) + ".MOV", options);
        const QImage half = FirstFrameReader::halfSize(QString::fromStdString(path));
        ASSERT_EQ(half.size(), QSize(side / 2, side / 2));
        CircleInfo full;
        ASSERT_EQ(CircleInfo::toFullFrame(CircleCheckTask::findCircle(half), half.width(),
                                          half.height(), &full),
                  0);
        // Drawn around the corner between the four middle pixels: (side / 2 - 0.5) in pixels.
        const double drawn = recording::lensRadiusOf(options);
        EXPECT_LE(std::abs(full.centerX - (side / 2 - 0.5)), 2.0);
        EXPECT_LE(std::abs(full.centerY - (side / 2 - 0.5)), 2.0);
        EXPECT_LE(std::abs(full.radius - drawn), 2.0) << "drawn " << drawn;
    }
}

// The matrix written in the stream's video parameters, AVCOL_SPC_UNSPECIFIED when untagged.
int taggedMatrix(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return -1;
    int matrix = -1;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video >= 0) matrix = format->streams[video]->codecpar->color_space;
    }
    avformat_close_input(&format);
    return matrix;
}

TEST(SampleCard, PureColoursComeBackPure) {
    const struct {
        const char* name;
        QRgb rgb;
    } colours[] = {{"lime", qRgb(0, 255, 0)},
                   {"yellow", qRgb(255, 255, 0)},
                   {"red", qRgb(255, 0, 0)},
                   {"blue", qRgb(0, 0, 255)},
                   {"white", qRgb(255, 255, 255)}};
    for (int side : {320, 720}) {
        for (const auto& c : colours) {
            SCOPED_TRACE(std::to_string(side) + " " + c.name);
            recording::ClipOptions options;
            options.width = options.height = side;
            options.solidColor = c.name;
            const std::string path =
                clipOf(std::string(c.name) + std::to_string(side) + ".MOV", options);
            EXPECT_EQ(taggedMatrix(path), AVCOL_SPC_BT709);
            const QImage frame = FirstFrameReader::read(QString::fromStdString(path));
            ASSERT_EQ(frame.size(), QSize(side, side));
            const QRgb shown = frame.pixel(side / 2, side / 2);
            EXPECT_LE(std::abs(qRed(shown) - qRed(c.rgb)), 3) << std::hex << shown;
            EXPECT_LE(std::abs(qGreen(shown) - qGreen(c.rgb)), 3) << std::hex << shown;
            EXPECT_LE(std::abs(qBlue(shown) - qBlue(c.rgb)), 3) << std::hex << shown;
        }
    }
}

}  // namespace
