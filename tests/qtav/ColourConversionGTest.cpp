// Frames of one known colour, encoded by the ffmpeg tool with a given matrix,
// range and tagging, come out of both layers' conversion as that colour.
#include <cstdlib>

#include <gtest/gtest.h>
#include <QString>

#include "FFMpegFrameConverter.h"
#include "FFMpegMediaInput.h"
#include "QtavFixture.h"
#include "TestEnv.h"
#include "VideoFrameConverter.h"

namespace {

// The colour drawn: R, G, B.
constexpr int kRed = 0xC0;
constexpr int kGreen = 0x30;
constexpr int kBlue = 0x20;

struct Case {
    const char* name;
    int width;
    int height;
    const char* matrix;       // used by ffmpeg to make the YUV values
    const char* range;        // "tv" or "pc"
    const char* colourSpace;  // tag written into the stream, "" for none
};

QString encode(const Case& c) {
    const QString dir = QString::fromStdString(TestEnv::makeDir(std::string("colour_") + c.name));
    const QString path = dir + "/" + c.name + ".mp4";
    QStringList args{
        "-v",
        "error",
        "-y",
        "-f",
        "lavfi",
        "-i",
        QString("color=c=0x%1%2%3:s=%4x%5:d=0.1,format=rgb24")
            .arg(kRed, 2, 16, QChar('0'))
            .arg(kGreen, 2, 16, QChar('0'))
            .arg(kBlue, 2, 16, QChar('0'))
            .arg(c.width)
            .arg(c.height),
        "-vf",
        QString("scale=out_color_matrix=%1:out_range=%2,format=yuv420p").arg(c.matrix, c.range),
        "-c:v",
        "libx264",
        "-qp",
        "0",
        "-frames:v",
        "1"};
    if (*c.colourSpace) args << "-colorspace" << c.colourSpace;
    if (QString(c.range) == "pc")
        args << "-color_range"
             << "pc";
    args << path;
    return QtavFixture::runFfmpeg(args) ? path : QString();
}

void expectColour(const uint8_t* bgra, const char* what) {
    const auto near = [](int expected, int actual) { return std::abs(expected - actual) <= 3; };
    EXPECT_TRUE(near(kBlue, bgra[0]) && near(kGreen, bgra[1]) && near(kRed, bgra[2]))
        << what << ": B " << int(bgra[0]) << " G " << int(bgra[1]) << " R " << int(bgra[2]);
}

TEST(ColourConversion, BothLayersHonourTheStreamsMatrixAndRange) {
    const Case cases[] = {
        {"hd_untagged", 1280, 720, "bt709", "tv", ""},
        {"sd_untagged", 640, 480, "bt601", "tv", ""},
        {"sd_tagged_709", 640, 480, "bt709", "tv", "bt709"},
        {"hd_tagged_601", 1280, 720, "bt601", "tv", "bt470bg"},
        {"sd_full_range", 640, 480, "bt601", "pc", "smpte170m"},
    };
    for (const Case& c : cases) {
        const QString path = encode(c);
        ASSERT_FALSE(path.isEmpty()) << c.name;
        FFMpegMediaInput input("ColourTest", "open failed: %s %d %s");
        ASSERT_EQ(0, input.openVideoStream(path.toUtf8().constData())) << c.name;
        ASSERT_EQ(0, input.openVideoDecoder(input.foundDecoder(), 1)) << c.name;
        ffh::FramePtr decoded = ffh::makeFrame();
        ASSERT_EQ(0, input.receiveFrame(decoded.get())) << c.name;
        const uint8_t* centre = nullptr;

        FFMpegFrameConverter media(AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR);
        ffh::FramePtr bgra(media.convert(decoded.get(), 0, 0));
        ASSERT_TRUE(bgra) << c.name;
        centre = bgra->data[0] + (c.height / 2) * bgra->linesize[0] + (c.width / 2) * 4;
        expectColour(centre, (std::string("media ") + c.name).c_str());

        const QtAV::VideoFrame frame = QtAV::VideoFrame::fromAVFrame(decoded.get(), 0);
        const QtAV::VideoFrame shown =
            QtAV::VideoFrameConverter().convert(frame, QtAV::VideoFormat::Format_BGRA32);
        ASSERT_TRUE(shown.isValid()) << c.name;
        centre = shown.constBits() + (c.height / 2) * shown.bytesPerLine() + (c.width / 2) * 4;
        expectColour(centre, (std::string("playback ") + c.name).c_str());
    }
}

TEST(ColourConversion, UnstatedColourSpaceIsBt709FromHdSizes) {
    EXPECT_EQ(SWS_CS_ITU709,
              FFMpegFrameConverter::scalerColourSpace(AVCOL_SPC_UNSPECIFIED, 1280, 720));
    EXPECT_EQ(SWS_CS_ITU709,
              FFMpegFrameConverter::scalerColourSpace(AVCOL_SPC_UNSPECIFIED, 720, 720));
    EXPECT_EQ(SWS_CS_ITU601,
              FFMpegFrameConverter::scalerColourSpace(AVCOL_SPC_UNSPECIFIED, 720, 576));
    EXPECT_EQ(SWS_CS_ITU601,
              FFMpegFrameConverter::scalerColourSpace(AVCOL_SPC_SMPTE170M, 3840, 2160));
    EXPECT_EQ(SWS_CS_BT2020,
              FFMpegFrameConverter::scalerColourSpace(AVCOL_SPC_BT2020_NCL, 640, 480));
}

}  // namespace
