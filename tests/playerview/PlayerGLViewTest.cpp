#include <gtest/gtest.h>

#include <QTest>

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <functional>
#include <memory>

#include "FisheyeFixtures.h"
#include "GLViewHarness.h"
#include "PlayerNormalGLView.h"
#include "SnapshotGenerator.h"

using namespace FisheyeFixtures;

namespace {

const QRgb kColour = 0xFF2864C8u;
const QRgb kBlack = 0xFF000000u;
const QRgb kWhite = 0xFFFFFFFFu;

bool regionIs(const QImage& img, QRect area, QRgb colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != colour) return false;
    return true;
}

bool rowIs(const QImage& img, int y, QRgb colour) {
    return regionIs(img, QRect(0, y, img.width(), 1), colour);
}

std::vector<uint32_t> cpuImage(
    const std::function<void(const unsigned char*, unsigned char*)>& make, int w, int h) {
    const auto src = codedPixels();
    std::vector<uint32_t> dst(size_t(w) * h);
    make(reinterpret_cast<const unsigned char*>(src.data()),
         reinterpret_cast<unsigned char*>(dst.data()));
    return dst;
}

TEST(PlayerGLView, PanoramaHasBlackBandsAboveAndBelow) {
    GLViewHarness h(1104, 552);
    const QImage img = h.render(MODE_PANORAMA, uniformPixels(kColour));
    ASSERT_EQ(img.size(), QSize(1104, 552));
    EXPECT_TRUE(regionIs(img, QRect(0, 0, 1104, 158), kBlack));
    EXPECT_TRUE(regionIs(img, QRect(0, 164, 1104, 222), kColour));
    EXPECT_TRUE(regionIs(img, QRect(0, 394, 1104, 158), kBlack));
}

TEST(PlayerGLView, TwoInOneHasAWhiteDivider) {
    GLViewHarness h(660, 550);
    const QImage img = h.render(MODE_TWO_IN_ONE, uniformPixels(kColour));
    EXPECT_TRUE(rowIs(img, 275, kWhite));
    EXPECT_TRUE(regionIs(img, QRect(0, 0, 660, 273), kColour));
    EXPECT_TRUE(regionIs(img, QRect(0, 277, 660, 273), kColour));
}

TEST(PlayerGLView, FourInOneHasAWhiteCross) {
    GLViewHarness h(660, 550);
    const QImage img = h.render(MODE_FOUR_IN_ONE, uniformPixels(kColour));
    EXPECT_TRUE(rowIs(img, 275, kWhite));
    EXPECT_TRUE(regionIs(img, QRect(330, 0, 1, 550), kWhite));
    for (QRect quarter : {QRect(0, 0, 328, 273), QRect(332, 0, 328, 273), QRect(0, 277, 328, 273),
                          QRect(332, 277, 328, 273)})
        EXPECT_TRUE(regionIs(img, quarter, kColour)) << quarter.x() << "," << quarter.y();
}

TEST(PlayerGLView, AngleViewIsBlackBeyondTheLensCover) {
    GLViewHarness h(1104, 552);
    h.drag(0, 200);  // look up, so that both sides of the limit are in view
    const QImage img = h.render(MODE_ANGLE, codedPixels());
    int black = 0;
    int picture = 0;
    for (int y = 0; y < 552; y += 4) {
        for (int x = 0; x < 1104; x += 4) {
            double lat;
            double lon;
            h.view->toCoordinate(x, y, &lat, &lon);
            if (lat > 16) {
                ++black;
                ASSERT_EQ(img.pixel(x, y), kBlack) << x << "," << y;
            } else if (lat < 14) {
                ++picture;
                ASSERT_TRUE(isCoded(img.pixel(x, y))) << x << "," << y;
            }
        }
    }
    EXPECT_GT(black, 1000);
    EXPECT_GT(picture, 1000);
}

TEST(PlayerGLView, BandViewsAgreeWithTheSnapshots) {
    using Snapshot =
        void (*)(const unsigned char*, int, int, unsigned char*, int, int, float, float, float);
    struct Case {
        PLAYBACK_MODE mode;
        Snapshot snapshot;
        int w;
        int h;
    };
    for (const Case& c : {Case{MODE_PANORAMA, SnapshotGenerator::snapshotPanorama, 1104, 552},
                          Case{MODE_TWO_IN_ONE, SnapshotGenerator::snapshotHalf, 660, 550},
                          Case{MODE_FOUR_IN_ONE, SnapshotGenerator::snapshotQuarter, 660, 550}}) {
        GLViewHarness h(c.w, c.h);
        const QImage gpu = h.render(c.mode, codedPixels());
        const auto cpu = cpuImage(
            [&](const unsigned char* src, unsigned char* dst) {
                c.snapshot(src, kSize, kSize, dst, c.w, c.h, kCenter, kCenter, kRadius);
            },
            c.w, c.h);
        EXPECT_GE(agreement(gpu, cpu, 1.5), 0.99) << c.mode;
    }
}

TEST(PlayerGLView, AngleViewAgreesWithTheSnapshotAtThreeStates) {
    struct State {
        int dx;
        int dy;
        int notches;
    };
    for (const State& s : {State{200, 150, 0}, State{-900, -300, 2}, State{2000, 500, -10}}) {
        GLViewHarness h(1104, 552);
        h.view->setPlaybackMode(MODE_ANGLE);
        h.drag(s.dx, s.dy);
        h.wheel(120 * s.notches);
        const QImage gpu = h.render(MODE_ANGLE, codedPixels());
        int zoom;
        float angleX;
        float angleY;
        h.view->getGLViewerParams(&zoom, &angleX, &angleY);
        const auto cpu = cpuImage(
            [&](const unsigned char* src, unsigned char* dst) {
                SnapshotGenerator::snapshotAngle(src, kSize, kSize, dst, 1104, 552, kCenter,
                                                 kCenter, kRadius, zoom, angleX, angleY);
            },
            1104, 552);
        EXPECT_GE(agreement(gpu, cpu, 1.5), 0.99) << s.dx << "," << s.dy << "," << s.notches;
    }
}

TEST(PlayerGLView, FrameSetBeforeTheFirstPaintIsShown) {
    QWidget window;
    auto* view = new PlayerGLView(&window, nullptr, nullptr);
    view->setRawData(frameOf(uniformPixels(kColour)), kCenter, kCenter, kRadius);
    view->setPlaybackMode(MODE_PANORAMA);
    view->resize(400, 200);
    window.resize(400, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(view->grabFramebuffer().pixel(200, 100), kColour);
}

// The views keep their own reference: the caller's frame may go at once.
TEST(PlayerGLView, ViewsKeepTheirFrameAfterTheCallerDropsIt) {
    GLViewHarness h(400, 200);
    PlayerNormalGLView plain(nullptr);
    plain.resize(200, 200);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    {
        const QtAV::VideoFrame frame = frameOf(uniformPixels(kColour));
        h.view->setPlaybackMode(MODE_PANORAMA);
        h.view->setRawData(frame, kCenter, kCenter, kRadius);
        plain.setRawData(frame);
    }
    EXPECT_EQ(h.view->grabFramebuffer().pixel(200, 100), kColour);
    EXPECT_EQ(plain.grabFramebuffer().pixel(100, 100), kColour);
    const QImage before = plain.getImage();
    plain.setRawData(frameOf(uniformPixels(0xFF00FF00u)));
    EXPECT_EQ(plain.grabFramebuffer().pixel(100, 100), 0xFF00FF00u);
    ASSERT_EQ(before.size(), QSize(kSize, kSize));
    EXPECT_EQ(before.pixel(10, 10), kColour);
    EXPECT_EQ(plain.getImage().pixel(10, 10), 0xFF00FF00u);
    const QtAV::VideoFrame kept = h.view->getRawData();
    h.view->clearSource();
    EXPECT_EQ(kept.width(), kSize);
    EXPECT_TRUE(rowIs(h.view->grabFramebuffer(), 100, kBlack));
}

// A BGRA frame whose rows are `stride` bytes apart (any value, also impossible ones).
QtAV::VideoFrame frameWithStride(int width, int height, int stride) {
    AVFrame* raw = av_frame_alloc();
    raw->format = AV_PIX_FMT_BGRA;
    raw->width = width;
    raw->height = height;
    av_frame_get_buffer(raw, 1);
    raw->linesize[0] = stride;
    QtAV::VideoFrame frame = QtAV::VideoFrame::fromAVFrame(raw, 0.0);
    av_frame_free(&raw);
    return frame;
}

TEST(PlayerGLView, PaddedRowsAreDrawnWithoutThePadding) {
    AVFrame* raw = av_frame_alloc();
    raw->format = AV_PIX_FMT_BGRA;
    raw->width = 50;
    raw->height = 50;
    ASSERT_EQ(av_frame_get_buffer(raw, 64), 0);
    ASSERT_GT(raw->linesize[0], 50 * 4);
    for (int y = 0; y < 50; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(raw->data[0] + y * raw->linesize[0]);
        std::fill(row, row + raw->linesize[0] / 4, 0xFFFF0000u);
        std::fill(row, row + 50, kColour);
    }
    const QtAV::VideoFrame frame = QtAV::VideoFrame::fromAVFrame(raw, 0.0);
    av_frame_free(&raw);
    PlayerNormalGLView plain(nullptr);
    plain.resize(200, 200);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    plain.setRawData(frame);
    const QImage img = plain.grabFramebuffer();
    EXPECT_TRUE(regionIs(img, img.rect(), kColour));
    EXPECT_EQ(plain.getImage().pixel(49, 49), kColour);
}

TEST(PlayerGLView, UndrawableFramesShowBlack) {
    GLViewHarness h(400, 200);
    PlayerNormalGLView plain(nullptr);
    plain.resize(200, 200);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    const QtAV::VideoFrame frames[] = {
        QtAV::VideoFrame(),
        QtAV::VideoFrame(0, 0, QtAV::VideoFormat::Format_BGRA32),
        QtAV::VideoFrame(64, 64, QtAV::VideoFormat::Format_YUV420P),
        frameWithStride(64, 64, 64 * 4 + 2),
        frameWithStride(64, 64, 64 * 4 - 4),
        frameWithStride(64, 64, -64 * 4),
    };
    for (PLAYBACK_MODE mode : {MODE_PANORAMA, MODE_ANGLE}) {
        for (const QtAV::VideoFrame& frame : frames) {
            h.view->setPlaybackMode(mode);
            h.view->setRawData(frame, 32, 32, 30);
            plain.setRawData(frame);
            const QImage dewarped = h.view->grabFramebuffer();
            const QImage original = plain.grabFramebuffer();
            EXPECT_TRUE(regionIs(dewarped, dewarped.rect(), kBlack)) << frame.bytesPerLine();
            EXPECT_TRUE(regionIs(original, original.rect(), kBlack)) << frame.bytesPerLine();
            EXPECT_TRUE(plain.getImage().isNull());
        }
    }
}

}  // namespace
