// Titles at 3840x2160: box and copy places, the fly-in's flight and stand-still, the wipe's
// reveal, the zoom's window, the end title's fixed frame, the background's size, and frames
// rendered to PNGs checked region by region.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>
#include <QImage>

#include "TestEnv.h"
#include "V360EndTitle.h"
#include "V360FlyInTitle.h"
#include "V360WipeCenterTitle.h"
#include "V360ZoomTitle.h"

namespace {

constexpr int W = 3840, H = 2160;
using Frame = std::vector<uint8_t>;

const uint8_t* px(const Frame& f, int w, int x, int y) { return &f[(size_t(y) * w + x) * 4]; }

// Count of bright pixels (R > 128) in the rectangle, sampled every 2nd pixel.
long bright(const Frame& f, int x0, int y0, int w, int h) {
    long n = 0;
    for (int y = y0; y < y0 + h; y += 2)
        for (int x = x0; x < x0 + w; x += 2) n += px(f, W, x, y)[2] > 128;
    return n;
}

TEST(V360TitleTest, BoxGapAndCopies) {
    V360ZoomTitle zoom(4, W, H, const_cast<char*>("Zoom"));
    EXPECT_EQ(zoom.boxWidth(), 960);
    EXPECT_EQ(zoom.boxHeight(), 720);
    EXPECT_EQ(zoom.gapWidth(), 160);
    EXPECT_EQ(zoom.topRow(), 720);
    Frame dst(size_t(W) * H * 4);
    zoom.composeTransitionFrame(1.0, nullptr, nullptr, dst.data());
    for (int x : {160, 1440, 2720}) {
        EXPECT_GT(bright(dst, x, 720, 960, 720), 100) << x;
        EXPECT_EQ(bright(dst, x - 40, 0, 40, H), 0) << x;  // nothing left of each box
    }
    EXPECT_EQ(bright(dst, 0, 0, W, 720), 0);
    EXPECT_EQ(bright(dst, 0, 1440, W, 720), 0);
}

TEST(V360TitleTest, FlyInFlightAndStandStill) {
    V360FlyInTitle title(2, W, H, const_cast<char*>("AB\nCD"));
    ASSERT_EQ(title.line(0).size(), 2u);
    ASSERT_EQ(title.line(1).size(), 2u);
    const CharacterBuffer& a = title.line(0)[0];
    EXPECT_EQ(a.y, 720 + 360);
    EXPECT_EQ(title.line(1)[0].y, a.y + 108);
    EXPECT_FLOAT_EQ(title.line(0)[1].angle, float(110 * M_PI / 180));
    EXPECT_NEAR(title.line(1)[1].angle, float(330 * M_PI / 180), 1e-5);
    const int total = a.width + title.line(0)[1].width;
    EXPECT_EQ(a.x, int(160 + (960 - total) / 2.0f));

    Frame third(size_t(W) * H * 4), end(third.size()), start(third.size());
    title.composeTransitionFrame(1.0 / 3, nullptr, nullptr, third.data());
    title.composeTransitionFrame(1.0, nullptr, nullptr, end.data());
    title.composeTransitionFrame(0.0, nullptr, nullptr, start.data());
    EXPECT_EQ(third, end);
    // At 0 the first character (angle 0) stands W to the right: outside the frame.
    EXPECT_EQ(bright(start, 0, 720, W, 720) < bright(end, 0, 720, W, 720), true);

    V360FlyInTitle oneLine(2, W, H, const_cast<char*>("ABC"));
    EXPECT_EQ(oneLine.line(1).size(), 0u);
    V360FlyInTitle emptyFirst(2, W, H, const_cast<char*>("\nXY"));
    ASSERT_EQ(emptyFirst.line(1).size(), 2u);
    EXPECT_EQ(emptyFirst.line(1)[0].x, 0);
    EXPECT_EQ(emptyFirst.line(1)[0].y, 0);
}

TEST(V360TitleTest, WipeRevealsWithEffect) {
    V360WipeCenterTitle title(3, W, H, const_cast<char*>("WIPE THE CENTRE WIDE"));
    const int n = title.getTitleWidth() * title.getTitleHeight();
    const uint8_t* src = static_cast<const uint8_t*>(title.getTitleSrcBuffer());
    const uint8_t* out = static_cast<const uint8_t*>(title.getTitleDstBuffer(0.0f));
    long shown0 = 0, painted = 0;
    for (int i = 0; i < n; ++i) {
        shown0 += out[i * 4 + 3] != 0;
        painted += src[i * 4 + 3] != 0;
    }
    EXPECT_EQ(shown0, 0);
    EXPECT_GT(painted, 1000);
    out = static_cast<const uint8_t*>(title.getTitleDstBuffer(1.0f));
    for (int i = 0; i < n; ++i) ASSERT_EQ(out[i * 4 + 3], src[i * 4 + 3]) << i;
    // e = min(1, 3p): from a third on the whole text shows.
    Frame third(size_t(W) * H * 4), end(third.size()), sixth(third.size());
    title.composeTransitionFrame(1.0 / 3, nullptr, nullptr, third.data());
    title.composeTransitionFrame(1.0, nullptr, nullptr, end.data());
    title.composeTransitionFrame(1.0 / 6, nullptr, nullptr, sixth.data());
    EXPECT_EQ(third, end);
    EXPECT_NE(sixth, end);           // the box's edges still hidden
    title.updateTitleDuration(6.0);  // e reaches 1 at a sixth
    title.composeTransitionFrame(1.0 / 6, nullptr, nullptr, sixth.data());
    EXPECT_EQ(sixth, end);
}

TEST(V360TitleTest, ZoomShowsTextAtOneSixthFirst) {
    V360ZoomTitle title(4, W, H, const_cast<char*>("ZOOM ZOOM"));
    Frame start(size_t(W) * H * 4), end(start.size());
    title.composeTransitionFrame(0.0, nullptr, nullptr, start.data());
    title.composeTransitionFrame(1.0, nullptr, nullptr, end.data());
    // Scale 6: only the centred 160 x 120 window of the box holds text.
    const long inner = bright(start, 160 + 400, 720 + 300, 160, 120);
    EXPECT_GT(inner, 0);
    EXPECT_EQ(bright(start, 160, 720, 960, 720), inner);
    EXPECT_GT(bright(end, 160, 720, 960, 720), 10 * inner);
}

TEST(V360TitleTest, EndTitleIndependentOfProgress) {
    V360EndTitle title(11, W, H);
    EXPECT_EQ(title.logoWidth(), 426);
    EXPECT_EQ(title.logoHeight(), 480);
    EXPECT_EQ(title.logoGap(), (W - 3 * 426) / 6);
    EXPECT_EQ(title.logoTop(), 840);
    EXPECT_EQ(title.getTitleWidth(), 480);
    EXPECT_EQ(title.getTitleHeight(), 580);
    Frame a(size_t(W) * H * 4), b(a.size(), 9);
    title.composeTransitionFrame(0.0, nullptr, nullptr, a.data());
    title.composeTransitionFrame(7.0, nullptr, nullptr, b.data());
    EXPECT_EQ(a, b);
    const int gap = title.logoGap();
    for (int i = 0; i < 3; ++i) {
        const int x = gap + i * (426 + 2 * gap);
        EXPECT_GT(bright(a, x, 840, 426, 480), 1000) << i;  // logo
        EXPECT_GT(bright(a, x, 1320, 426, 100), 20) << i;   // credit line
        EXPECT_EQ(bright(a, x - 30, 0, 30, H), 0) << i;
    }
    EXPECT_EQ(bright(a, 0, 0, W, 800), 0);
}

// A background of another size is scaled to the frame, never copied past it.
TEST(V360TitleTest, BackgroundScaledToFrame) {
    constexpr int w = 384, h = 216;
    V360ZoomTitle title(4, w, h, nullptr);
    for (int bw : {w, 2 * w, w / 2}) {
        Frame bg(size_t(bw) * (h * bw / w) * 4, 200);
        title.setBackground(bg.data(), bw, h * bw / w);
        Frame dst(size_t(w) * h * 4);
        title.composeTransitionFrame(0.5, nullptr, nullptr, dst.data());
        EXPECT_EQ(dst[0], 80) << bw;
        EXPECT_EQ(dst[3], 255) << bw;
        EXPECT_EQ(dst[dst.size() - 2], 80) << bw;
    }
}

TEST(V360TitleTest, RenderedFrames) {
    const std::string dir = TestEnv::makeDir("titles");
    Frame still(size_t(W) * H * 4);
    for (size_t i = 0; i < still.size(); i += 4)
        still[i] = 250, still[i + 3] = 255;  // blue still, darkened to 100
    V360FlyInTitle fly(2, W, H, const_cast<char*>("Fly in\nsecond"));
    V360WipeCenterTitle wipe(3, W, H, const_cast<char*>("Wipe centre"));
    V360ZoomTitle zoom(4, W, H, const_cast<char*>("Zoom"));
    V360EndTitle end(11, W, H);
    fly.setBackground(still.data(), W, H);
    wipe.setBackground(still.data(), W, H);
    zoom.setBackground(still.data(), W, H);
    V360Transitor* titles[] = {&fly, &wipe, &zoom, &end};
    for (V360Transitor* t : titles) {
        long previous = -1;
        for (double p : {0.0, 0.15, 0.5}) {
            Frame dst(still.size());
            t->composeTransitionFrame(p, nullptr, nullptr, dst.data());
            const QString path =
                QString::fromStdString(dir) + QString("/title%1_p%2.png").arg(t->getType()).arg(p);
            ASSERT_TRUE(QImage(dst.data(), W, H, QImage::Format_ARGB32).save(path));
            if (t != &end) {
                EXPECT_EQ(px(dst, W, 10, 10)[0], 100);  // darkened still outside the boxes
                if (p == 0.5) {
                    EXPECT_EQ(bright(dst, 0, 0, W, 600), 0);
                }
            }
            const long shown = bright(dst, 160, 720, 960, 720);
            if (t == &wipe || t == &zoom) {
                EXPECT_GE(shown, previous) << t->getType() << " " << p;
            }
            previous = shown;
        }
        EXPECT_GT(previous, 100) << t->getType();
    }
}

}  // namespace
