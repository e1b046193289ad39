// Text overlays: time rules, styles and font sizes, lazy rendering per frame height, the seam,
// the hit test, and several threads drawing one fresh overlay.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Text360Info.h"

namespace {

constexpr int kW = 768, kH = 384;
constexpr uint32_t kGrey = 0xFF404040u;

class Text360InfoTest : public ::testing::Test {
  protected:
    void SetUp() override { BaseStyledText::registerFonts(); }
};

std::vector<uint32_t> greyFrame(int w = kW, int h = kH) {
    return std::vector<uint32_t>(size_t(w) * h, kGrey);
}

bool changed(const std::vector<uint32_t>& frame) {
    for (uint32_t p : frame)
        if (p != kGrey) return true;
    return false;
}

struct TimeCase {
    double start, end, t;
    bool drawn, visibleGL;
};

TEST_F(Text360InfoTest, DrawsInsideItsTimeRange) {
    const TimeCase cases[] = {
        {1, 3, 1, true, true},      {1, 3, 2, true, true},      {1, 3, 3, true, false},
        {1, 3, 0.99, false, false}, {1, 3, 3.01, false, false}, {-1, -1, -1, true, false},
        {-1, -1, 0, false, false},
    };
    for (const TimeCase& c : cases) {
        Text360Info info("Hello", 1, c.start, c.end);
        auto frame = greyFrame();
        info.fillTextImage(frame.data(), kW, kH, c.t);
        EXPECT_EQ(changed(frame), c.drawn) << c.start << ".." << c.end << " at " << c.t;
        info.fillTextImageGL(kW, kH, c.t);
        EXPECT_EQ(info.isVisible(), c.visibleGL) << c.start << ".." << c.end << " at " << c.t;
        EXPECT_EQ(info.renderedHeight(), c.drawn || c.visibleGL ? kH : 0);
    }
    Text360Info untimed("Hello", 0);
    auto frame = greyFrame();
    untimed.fillTextImage(frame.data(), kW, kH);
    EXPECT_TRUE(changed(frame));
}

struct StyleCase {
    Text360Info* info;
    int pointSize;
    QColor text, background;
};

TEST_F(Text360InfoTest, BoxStylesAndFontSizesAtFullHeight) {
    Text360Info plain("a", 0), dark("a", 5), coloured("a", 3, 5), bare("a", 2, 7);
    const StyleCase cases[] = {
        {&plain, 90, QColor(0, 0, 0), QColor(255, 255, 255)},
        {&dark, 90, QColor(255, 255, 255), QColor(0, 0, 0)},
        {&coloured, 135, QColor(255, 241, 0), QColor(0, 160, 233)},
        {&bare, 135, QColor(255, 76, 0), QColor(0, 0, 0, 0)},
    };
    for (const StyleCase& c : cases) {
        const BaseStyledText::Box box = c.info->textBox(2160);
        EXPECT_EQ(box.font.pointSize(), c.pointSize);
        EXPECT_EQ(box.textColor, c.text);
        EXPECT_EQ(box.backgroundColor.rgba(), c.background.rgba());
        EXPECT_EQ(box.framed, false);
        EXPECT_EQ(box.margin, int(6 * c.pointSize / 16.0));
    }
}

int opaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) == 255;
    return n;
}

TEST_F(Text360InfoTest, NoBackgroundLeavesOnlyTheText) {
    const QImage bare = BaseStyledText::renderImage(Text360Info("Wide text", 2, 7).textBox(kH));
    const QImage boxed = BaseStyledText::renderImage(Text360Info("Wide text", 2, 5).textBox(kH));
    ASSERT_EQ(bare.size(), boxed.size());
    const int all = bare.width() * bare.height();
    EXPECT_GT(opaquePixels(bare), 0);
    EXPECT_LT(opaquePixels(bare), all / 3);
    EXPECT_GT(opaquePixels(boxed), all / 2);
    EXPECT_EQ(qAlpha(bare.pixel(0, 0)), 0);
}

TEST_F(Text360InfoTest, RendersAgainOnlyWhenTheHeightChanges) {
    Text360Info info("Again", 1);
    info.fillTextImage(kW, kH);
    const QList<QRect> first = info.pieceRects();
    ASSERT_FALSE(first.isEmpty());
    info.fillTextImage(kW * 2, kH);
    EXPECT_EQ(info.renderedWidth(), kW);
    EXPECT_EQ(info.pieceRects(), first);
    info.fillTextImage(kW * 2, kH * 2);
    EXPECT_EQ(info.renderedWidth(), kW * 2);
    EXPECT_EQ(info.renderedHeight(), kH * 2);
    EXPECT_NE(info.pieceRects(), first);
}

TEST_F(Text360InfoTest, EmptyFrameSizesRenderNothing) {
    const int sizes[][2] = {{0, kH}, {kW, 0}, {-5, kH}, {0, 0}};
    for (const auto& s : sizes) {
        Text360Info info("Zero", 2, 0, 5);
        uint32_t guard = kGrey;
        info.fillTextImage(&guard, s[0], s[1]);
        EXPECT_EQ(info.renderedHeight(), 0);
        EXPECT_TRUE(info.pieceRects().isEmpty());
        EXPECT_EQ(guard, kGrey);
    }
}

TEST_F(Text360InfoTest, FacingOverlayIsCentredAndHit) {
    Text360Info info("Centre", 1);
    EXPECT_FALSE(info.isImageInPosition(0, 0)) << "no pieces yet";
    auto frame = greyFrame();
    info.fillTextImage(frame.data(), kW, kH);
    const QList<QRect> rects = info.pieceRects();
    ASSERT_EQ(rects.size(), 1);
    EXPECT_NEAR(rects[0].center().x(), kW / 2, 2);
    EXPECT_NEAR(rects[0].center().y(), kH / 2, 2);
    EXPECT_NE(frame[size_t(kH / 2) * kW + kW / 2], kGrey);
    EXPECT_EQ(frame[0], kGrey);
    EXPECT_TRUE(info.isImageInPosition(0, 0));
    EXPECT_FALSE(info.isImageInPosition(90, 0));
    EXPECT_FALSE(info.isImageInPosition(0, 60));
}

TEST_F(Text360InfoTest, OverlayBehindTheViewerSpansTheSeam) {
    Text360Info info("Seam", 1);
    info.yaw = 180;
    auto frame = greyFrame();
    info.fillTextImage(frame.data(), kW, kH);
    const QList<QRect> rects = info.pieceRects();
    ASSERT_EQ(rects.size(), 2);
    EXPECT_EQ(rects[0].x(), 0);
    EXPECT_NEAR(rects[1].x() + rects[1].width(), kW, 1);
    const size_t mid = size_t(kH / 2) * kW;
    EXPECT_NE(frame[mid + 1], kGrey);
    EXPECT_NE(frame[mid + kW - 2], kGrey);
    EXPECT_EQ(frame[mid + kW / 2], kGrey);
    EXPECT_TRUE(info.isImageInPosition(180, 0));
    EXPECT_TRUE(info.isImageInPosition(-179, 0));
    EXPECT_FALSE(info.isImageInPosition(0, 0));
}

TEST_F(Text360InfoTest, CopyTakesTheFieldsButNotThePieces) {
    Text360Info source("Copy", 4, 9, 1.5, 7.5);
    source.yaw = 33;
    source.pitch = -12;
    source.fillTextImage(kW, kH);
    const Text360Info copy(&source);
    EXPECT_EQ(copy.kind, 2);
    EXPECT_EQ(copy.text, "Copy");
    EXPECT_EQ(copy.textColor, 4);
    EXPECT_EQ(copy.backgroundColor, 9);
    EXPECT_EQ(copy.startTime, 1.5);
    EXPECT_EQ(copy.endTime, 7.5);
    EXPECT_EQ(copy.yaw, 33);
    EXPECT_EQ(copy.pitch, -12);
    EXPECT_TRUE(copy.pieceRects().isEmpty());
    const Text360Info blank(2);
    EXPECT_EQ(blank.textColor, 7);
    EXPECT_EQ(blank.backgroundColor, 0);
    EXPECT_EQ(blank.startTime, -1);
}

// Four threads draw one fresh overlay into four frames at once (the first drawing renders it);
// every frame equals the frame one thread draws with another fresh overlay.
TEST_F(Text360InfoTest, FourThreadsDrawLikeOne) {
    constexpr int kFW = 3840, kFH = 1920, kThreads = 4;
    for (int round = 0; round < 3; ++round) {
        Text360Info reference("Four at once", 3, 0);
        reference.yaw = 40.0 * round;
        reference.pitch = 10;
        auto expected = greyFrame(kFW, kFH);
        reference.fillTextImage(expected.data(), kFW, kFH);
        ASSERT_TRUE(changed(expected));

        Text360Info shared(&reference);
        std::vector<std::vector<uint32_t>> frames(kThreads, greyFrame(kFW, kFH));
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                ready.fetch_add(1);
                while (ready.load() < kThreads) {
                }
                shared.fillTextImage(frames[i].data(), kFW, kFH);
            });
        }
        for (std::thread& t : threads) t.join();
        for (int i = 0; i < kThreads; ++i)
            EXPECT_TRUE(frames[i] == expected) << "round " << round << " thread " << i;
    }
}

}  // namespace
