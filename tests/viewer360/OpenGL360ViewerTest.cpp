// The equirectangular viewer: what lands at the centre, pictures of any format, YUV planes of
// odd chroma width, and copies that outlive the caller's buffers.
#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <vector>

#include "FisheyeFixtures.h"
#include "OpenGL360DewarpViewer.h"
#include "OpenGL360Viewer.h"
#include "ViewerWindow.h"

using namespace FisheyeFixtures;

namespace {

const QRgb kWhite = 0xFFFFFFFFu;
const QRgb kBlack = 0xFF000000u;

// The coded picture (R = x, G = y) as a QImage over its own copy.
QImage codedImage() {
    const auto pixels = codedPixels();
    return QImage(reinterpret_cast<const uchar*>(pixels.data()), kSize, kSize,
                  QImage::Format_ARGB32)
        .copy();
}

void expectCodedCentre(QRgb got) {
    ASSERT_TRUE(isCoded(got)) << std::hex << got;
    EXPECT_NEAR(codedX(got), kSize / 2, 1.0);
    EXPECT_NEAR(codedY(got), kSize / 2, 1.0);
}

TEST(OpenGL360Viewer, CentreAtZeroAnglesIsTheSourceCentre) {
    ViewerWindow<OpenGL360Viewer> w(400, 400, GL360_BGRA);
    ASSERT_TRUE(w.exposed);
    const auto pixels = codedPixels();
    w.view->setRawData(pixels.data(), kSize, kSize);
    expectCodedCentre(w.centre());
    w.view->setImage(codedImage());
    expectCodedCentre(w.centre());
}

TEST(OpenGL360Viewer, NothingIsDrawnWithoutASource) {
    ViewerWindow<OpenGL360Viewer> w(200, 200, GL360_BGRA);
    EXPECT_EQ(w.centre(), kBlack);
    w.view->setImage(QImage());
    EXPECT_EQ(w.centre(), kBlack);
}

// The caller's buffer is released and overwritten at once; the next paint is unchanged.
TEST(OpenGL360Viewer, CallerMayFreeItsBufferRightAfterSetRawData) {
    ViewerWindow<OpenGL360Viewer> w(300, 300, GL360_BGRA);
    auto pixels = std::make_unique<std::vector<uint32_t>>(uniformPixels(0xFF2864C8u));
    w.view->setRawData(pixels->data(), kSize, kSize);
    std::fill(pixels->begin(), pixels->end(), 0xFFFF00FFu);
    pixels.reset();
    EXPECT_TRUE(near(w.centre(), 0xFF2864C8u, 1));
}

// Planes of width 30 (chroma 15) need byte-aligned rows: with the left 15 columns at one level
// and the right 15 at the other, the two halves of the view stay apart over the whole middle.
struct YuvCase {
    uint8_t left;
    uint8_t right;
    QRgb leftColour;
    QRgb rightColour;
};

class Yuv : public testing::TestWithParam<YuvCase> {};

TEST_P(Yuv, VideoRangeLevelsGiveWhiteAndBlack) {
    const YuvCase c = GetParam();
    const int width = 30;
    const int height = 14;
    std::vector<uint8_t> y(width * height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            y[row * width + col] = col < width / 2 ? c.left : c.right;
    std::vector<uint8_t> u(15 * 7, 128);
    std::vector<uint8_t> v(15 * 7, 128);
    ViewerWindow<OpenGL360Viewer> w(400, 400, GL360_YUV420);
    w.view->setRawDataYUV(y.data(), width, height, u.data(), v.data());
    y.assign(y.size(), 77);  // the viewer holds its own copy
    const QImage image = w.paint();
    // At zero angles the picture's middle column runs down the middle of the view.
    for (int row = 150; row <= 250; row += 10) {
        EXPECT_TRUE(near(image.pixel(170, row), c.leftColour, 4)) << row;
        EXPECT_TRUE(near(image.pixel(230, row), c.rightColour, 4)) << row;
    }
    uchar* planes[3];
    int gotWidth;
    int gotHeight;
    w.view->getRawDataYUV(&planes[0], &gotWidth, &gotHeight, &planes[1], &planes[2]);
    EXPECT_EQ(gotWidth, width);
    EXPECT_EQ(gotHeight, height);
    EXPECT_EQ(planes[1][14], 128);
}

INSTANTIATE_TEST_SUITE_P(Levels, Yuv,
                         testing::Values(YuvCase{235, 16, kWhite, kBlack},
                                         YuvCase{16, 235, kBlack, kWhite},
                                         YuvCase{235, 235, kWhite, kWhite}));

// Pictures of other formats are converted before upload: a palette, a grey and a 24-bit
// picture show their own colour, in both viewers.
struct FormatCase {
    const char* name;
    QImage::Format format;
    QRgb colour;
};

class PictureFormat : public testing::TestWithParam<FormatCase> {};

QImage picture(const FormatCase& c) {
    QImage image(kSize, kSize, c.format);
    if (c.format == QImage::Format_Indexed8) {
        image.setColorTable({0xFF000000u, c.colour});
        image.fill(1);
    } else {
        image.fill(QColor(c.colour));
    }
    return image;
}

TEST_P(PictureFormat, ShowsItsColourInBothViewers) {
    const FormatCase c = GetParam();
    ViewerWindow<OpenGL360Viewer> viewer(200, 200, GL360_BGRA);
    viewer.view->setImage(picture(c));
    EXPECT_TRUE(near(viewer.centre(), c.colour)) << std::hex << viewer.centre();
    EXPECT_EQ(viewer.view->getImage().format(), QImage::Format_ARGB32);
    ViewerWindow<OpenGL360DewarpViewer> dewarp(200, 200);
    dewarp.view->setImage(picture(c));
    EXPECT_TRUE(near(dewarp.centre(), c.colour)) << std::hex << dewarp.centre();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureFormat,
    testing::Values(FormatCase{"palette", QImage::Format_Indexed8, 0xFF20A050u},
                    FormatCase{"grey", QImage::Format_Grayscale8, 0xFFC8C8C8u},
                    FormatCase{"rgb888", QImage::Format_RGB888, 0xFF3070B0u},
                    FormatCase{"rgb16", QImage::Format_RGB16, 0xFF0000FFu}),
    [](const testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

}  // namespace
