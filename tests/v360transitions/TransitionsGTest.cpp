// Transition manager and transitors: the type table and cache, the progress range, the fade and
// peel formulas, the air-plane with its incoming frame in dst, and frames rendered to PNGs.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <QImage>

#include "TestEnv.h"
#include "TransitionResources.h"
#include "V360AirPlaneTransitor.h"
#include "V360FadeTransitor.h"
#include "V360PeelingLinesTransitor.h"
#include "V360TransitionManager.h"
#include "V360Transitor.h"

namespace {

using Frame = std::vector<uint8_t>;

Frame solid(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
    Frame f(size_t(w) * h * 4);
    for (size_t i = 0; i < f.size(); i += 4) {
        f[i] = b, f[i + 1] = g, f[i + 2] = r, f[i + 3] = 255;
    }
    return f;
}

Frame noise(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Frame f(size_t(w) * h * 4);
    for (uint8_t& v : f) v = static_cast<uint8_t>(rng());
    return f;
}

const uint8_t* px(const Frame& f, int w, int x, int y) { return &f[(size_t(y) * w + x) * 4]; }

TEST(V360TransitionManagerTest, TypeTable) {
    V360TransitionManager manager;
    EXPECT_EQ(manager.getType(1, 0, true), 8);
    EXPECT_EQ(manager.getType(0, 5, false), 8);
    EXPECT_EQ(manager.getType(1, 0, false), 8);
    for (int i = 0; i < 50; ++i) {
        const int t = manager.getType(0, i, true);
        EXPECT_TRUE(t >= 2 && t <= 4) << t;
    }
}

TEST(V360TransitionManagerTest, CacheAndIconSets) {
    V360TransitionManager manager;
    V360Transitor* fade = manager.allocTransitor(8, 3840, 1920, nullptr);
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->getType(), 8);
    EXPECT_EQ(manager.allocTransitor(8, 3840, 1920, nullptr), fade);
    EXPECT_NE(manager.allocTransitor(8, 1920, 960, nullptr), fade);
    EXPECT_EQ(manager.allocTransitor(5, 64, 48, nullptr), nullptr);
    EXPECT_EQ(manager.allocTransitor(5, 64, 48, nullptr), nullptr);

    int biking = 0, hiking = 1;
    V360Transitor* plane0 = manager.allocTransitor(7, 320, 240, nullptr);  // null: icon set 0
    ASSERT_NE(plane0, nullptr);
    EXPECT_EQ(static_cast<V360AirPlaneTransitor*>(plane0)->getIconId(), 0);
    EXPECT_EQ(manager.allocTransitor(7, 320, 240, &biking), plane0);
    V360Transitor* plane1 = manager.allocTransitor(7, 320, 240, &hiking);
    ASSERT_NE(plane1, nullptr);
    EXPECT_NE(plane1, plane0);
    EXPECT_EQ(manager.allocTransitor(7, 320, 240, &hiking), plane1);  // plane0 skipped
    EXPECT_EQ(manager.allocTransitor(7, 320, 240, &biking), plane0);

    const char* text = "Title";
    for (int type : {2, 3, 4, 9, 11}) {
        V360Transitor* t = manager.allocTransitor(type, 384, 216, const_cast<char*>(text));
        ASSERT_NE(t, nullptr) << type;
        EXPECT_EQ(t->getType(), type);
        EXPECT_EQ(manager.allocTransitor(type, 384, 216, nullptr), t);
    }
}

// A progress outside [0, 1] leaves dst alone; 0 and 1 are drawn.
TEST(V360TransitorTest, ProgressRange) {
    constexpr int w = 384, h = 216;
    V360TransitionManager manager;
    const Frame a = solid(w, h, 10, 20, 30), b = solid(w, h, 200, 150, 100);
    int iconSet = 0;
    for (int type : {2, 3, 4, 7, 8, 9}) {
        // Titles take their text, the plane its icon set.
        void* arg = type == 7 ? static_cast<void*>(&iconSet) : const_cast<char*>("T");
        V360Transitor* t = manager.allocTransitor(type, w, h, arg);
        for (double p : {-0.01, 1.01}) {
            Frame dst = solid(w, h, 1, 2, 3);
            t->composeTransitionFrame(p, (void*)a.data(), (void*)b.data(), dst.data());
            EXPECT_EQ(dst, solid(w, h, 1, 2, 3)) << type << " " << p;
        }
        for (double p : {0.0, 1.0}) {
            Frame dst = solid(w, h, 1, 2, 3);
            t->composeTransitionFrame(p, (void*)a.data(), (void*)b.data(), dst.data());
            EXPECT_NE(dst, solid(w, h, 1, 2, 3)) << type << " " << p;
        }
    }
}

TEST(V360FadeTransitorTest, FormulaAndNullSecondSource) {
    constexpr int w = 64, h = 16;
    V360FadeTransitor fade(8, w, h);
    const Frame a = noise(w, h, 1), b = noise(w, h, 2);
    for (double p : {0.0, 0.3, 0.77, 1.0}) {
        Frame dst(a.size(), 7);
        fade.composeTransitionFrame(p, (void*)a.data(), (void*)b.data(), dst.data());
        for (size_t i = 0; i < dst.size(); ++i) {
            const int want = i % 4 == 3 ? 255 : int(a[i] * (1 - p) + b[i] * p);
            ASSERT_EQ(dst[i], want) << i << " p " << p;
        }
    }
    Frame dst(a.size(), 7);
    fade.composeTransitionFrame(0.5, (void*)a.data(), nullptr, dst.data());
    EXPECT_EQ(dst, Frame(a.size(), 7));
}

// Every (first byte, second byte) pair at a grid of progress values, the fast row against the
// C formula; row lengths 1 to 11 cover every tail at odd offsets.
TEST(V360FadeTransitorTest, FastRowMatchesCOverEveryByteAndAGridOfProgress) {
    Frame a(256 * 256 * 4), b(a.size());
    for (int i = 0; i < 256 * 256; ++i) {
        const uint8_t x = uint8_t(i >> 8), y = uint8_t(i);
        const uint8_t pa[4] = {x, uint8_t(255 - x), y, x}, pb[4] = {y, x, uint8_t(255 - y), y};
        std::copy(pa, pa + 4, &a[i * 4]);
        std::copy(pb, pb + 4, &b[i * 4]);
    }
    std::vector<double> grid = {1e-9, 1.0 / 3, 0.5, 2.0 / 3, 1 - 1e-9};
    for (int k = 0; k <= 64; ++k) grid.push_back(k / 64.0);
    for (int k = 1; k < 30; ++k) grid.push_back(k / 30.0);
    for (double p : grid) {
        Frame ref(a.size()), fast(a.size());
        V360FadeTransitor::fadeRow_C(ref.data(), a.data(), b.data(), 256 * 256, p);
        V360FadeTransitor::fadeRow(fast.data(), a.data(), b.data(), 256 * 256, p);
        ASSERT_EQ(ref, fast) << "p " << p;
    }
    const Frame x = noise(12, 1, 3), y = noise(12, 1, 4);
    for (int pixels = 1; pixels <= 11; ++pixels) {
        Frame ref(pixels * 4 + 1, 9), fast = ref;
        V360FadeTransitor::fadeRow_C(ref.data() + 1, x.data() + 3, y.data() + 1, pixels, 0.37);
        V360FadeTransitor::fadeRow(fast.data() + 1, x.data() + 3, y.data() + 1, pixels, 0.37);
        ASSERT_EQ(ref, fast) << pixels << " pixels";
    }
}

TEST(V360PeelingLinesTransitorTest, NullSecondSourceFadesToBlack) {
    constexpr int w = 120, h = 32;
    V360PeelingLinesTransitor peel(9, w, h);
    const Frame a = noise(w, h, 3);
    Frame dst(a.size(), 7);
    peel.composeTransitionFrame(0.25, (void*)a.data(), nullptr, dst.data());
    for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_EQ(dst[i], i % 4 == 3 ? 255 : int(a[i] * 0.75)) << i;
}

// 96 strips over 3840 columns: at 1 every column (the last 40 too) is src2, at 0 src1; the
// grey line mask is read as 32-bit pixels.
TEST(V360PeelingLinesTransitorTest, EndsEqualSources) {
    constexpr int w = 3840, h = 48;
    std::srand(7);
    V360PeelingLinesTransitor peel(9, w, h);
    const Frame a = noise(w, h, 4), b = noise(w, h, 5);
    Frame at1(a.size()), at0(a.size()), mid(a.size());
    peel.composeTransitionFrame(1.0, (void*)a.data(), (void*)b.data(), at1.data());
    peel.composeTransitionFrame(0.0, (void*)a.data(), (void*)b.data(), at0.data());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(at1[i], i % 4 == 3 ? 255 : b[i]) << "pixel " << i / 4 % w;
        ASSERT_EQ(at0[i], i % 4 == 3 ? 255 : a[i]) << "pixel " << i / 4 % w;
    }
    std::vector<uint8_t> strip(44 * h * 4);
    EXPECT_EQ(peel.calculateLineMask(0.5f, 95, (void*)b.data(), strip.data()), 40);
    EXPECT_EQ(peel.calculateLineMask(0.5f, 94, (void*)b.data(), strip.data()), 44);
    EXPECT_EQ(peel.calculateLineMask(0.5f, 0, (void*)b.data(), strip.data()), 44);
}

TEST(TransitionResourcesTest, GreyPicturesLoadAsArgb32) {
    for (const char* path :
         {":/images/transition/lineMask.png", ":/images/Edit/alphaTransition.png",
          ":/images/transition/hikingRight.png", ":/images/Vintaro360_logo.png"}) {
        const QImage image = TransitionResources::loadPicture(path);
        EXPECT_GT(image.width(), 1) << path;
        EXPECT_EQ(image.format(), QImage::Format_ARGB32) << path;
    }
    EXPECT_EQ(TransitionResources::loadPicture(":/images/none.png").size(), QSize(1, 1));
}

// Sections pass (lead-in, dst, dst) with the incoming frame in dst: the lead-in shows first.
TEST(V360AirPlaneTransitorTest, LeadInShowsWithIncomingInDst) {
    constexpr int w = 480, h = 240;
    V360AirPlaneTransitor plane(7, w, h, 1);
    const Frame leadIn = solid(w, h, 0, 0, 255), incoming = solid(w, h, 255, 0, 0);
    Frame dst = incoming;
    plane.composeTransitionFrame(0.0, (void*)leadIn.data(), dst.data(), dst.data());
    EXPECT_EQ(dst, leadIn);
    dst = incoming;
    plane.composeTransitionFrame(1.0, (void*)leadIn.data(), dst.data(), dst.data());
    EXPECT_EQ(dst, incoming);
    // Midway the even strips are uncovered on the right, the odd ones on the left.
    dst = incoming;
    plane.composeTransitionFrame(0.8, (void*)leadIn.data(), dst.data(), dst.data());
    const int strip = h / 12;
    EXPECT_EQ(px(dst, w, 2, strip / 2)[2], 255);      // still lead-in red
    EXPECT_GT(px(dst, w, w - 3, strip / 2)[0], 200);  // incoming blue under a light tint
    EXPECT_GT(px(dst, w, 2, strip + strip / 2)[0], 200);
    EXPECT_EQ(px(dst, w, w - 3, strip + strip / 2)[2], 255);
}

// The outgoing frame already in dst (no src1), the incoming one black when src2 is null.
TEST(V360AirPlaneTransitorTest, OutgoingInDstAndBlackIncoming) {
    constexpr int w = 480, h = 240;
    V360AirPlaneTransitor plane(7, w, h, 0);
    Frame dst = solid(w, h, 0, 0, 255);
    plane.composeTransitionFrame(1.0, nullptr, nullptr, dst.data());
    EXPECT_EQ(dst, solid(w, h, 0, 0, 0));
}

// Frames at three progress values saved as PNGs and checked region by region: src1 red,
// src2 blue.
TEST(V360TransitorTest, RenderedFrames) {
    constexpr int w = 960, h = 480;
    const Frame red = solid(w, h, 0, 0, 255), blue = solid(w, h, 255, 0, 0);
    const std::string dir = TestEnv::makeDir("transitions");
    V360TransitionManager manager;
    int hiking = 1;
    for (int type : {7, 8, 9}) {
        V360Transitor* t = manager.allocTransitor(type, w, h, &hiking);
        for (double p : {0.0, 0.5, 1.0}) {
            Frame dst = red;
            t->composeTransitionFrame(p, (void*)red.data(), (void*)blue.data(), dst.data());
            const QString path =
                QString::fromStdString(dir) + QString("/type%1_p%2.png").arg(type).arg(p);
            ASSERT_TRUE(QImage(dst.data(), w, h, QImage::Format_ARGB32).save(path));
            long blueCount = 0;
            for (int y = 0; y < h; y += 4)
                for (int x = 0; x < w; x += 4)
                    blueCount += px(dst, w, x, y)[0] > px(dst, w, x, y)[2];
            const long total = long(w / 4) * (h / 4);
            if (p == 0.0)
                EXPECT_EQ(blueCount, 0) << type;
            else if (p == 1.0)
                EXPECT_EQ(blueCount, total) << type;
            else if (type == 8)
                EXPECT_TRUE(px(dst, w, w / 2, h / 2)[0] == 127 && px(dst, w, 7, 9)[2] == 127);
            else
                EXPECT_TRUE(blueCount > 0 && blueCount < total) << type << " " << blueCount;
        }
    }
}

}  // namespace
