// The fisheye operations and the one-way lens state of DewarpImageUtil (own process: the state
// is set once and never cleared).
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "DewarpImageUtil.h"

namespace {

constexpr int kEqW = 720, kEqH = 360;

// Each pixel holds its own position.
std::vector<unsigned> positions() {
    std::vector<unsigned> p(size_t(kEqW) * kEqH);
    for (int j = 0; j < kEqH; ++j)
        for (int i = 0; i < kEqW; ++i) p[size_t(j) * kEqW + i] = unsigned(j) * kEqW + i;
    return p;
}

void rotationAboutX(double angle, double m[3][3]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double r[3][3] = {{1, 0, 0}, {0, c, -s}, {0, s, c}};
    std::copy(&r[0][0], &r[0][0] + 9, &m[0][0]);
}

TEST(DewarpImageUtilLens, WithoutLensStateNothingIsMapped) {
    auto eq = positions();
    std::vector<uint32_t> fisheye(300 * 200, 0);
    double rot[3][3];
    rotationAboutX(0, rot);
    double cx = 0, cy = 0, radius = 0;
    EXPECT_EQ(DewarpImageUtil::reverseToFisheye(eq.data(), fisheye.data(), kEqW, kEqH, rot, 300,
                                                200, cx, cy, radius),
              -1);
    for (uint32_t p : fisheye) ASSERT_EQ(p, 0xFFFFFFFFu);
    EXPECT_DOUBLE_EQ(cx, 150);
    EXPECT_DOUBLE_EQ(cy, 100);
    EXPECT_DOUBLE_EQ(radius, 100.0 * 14 / 15);

    float frot[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    int fx = 0, fy = 0;
    DewarpImageUtil::translateToFisheyeCoord(10, 10, kEqW, kEqH, 100, 100, 90, frot, fx, fy);
    EXPECT_EQ(fx, -1);
    EXPECT_EQ(fy, -1);
    std::vector<uint32_t> view(64 * 64, 5);
    EXPECT_EQ(DewarpImageUtil::dewarpProjectionBilinear(
                  reinterpret_cast<const char*>(fisheye.data()), 300, 200, 150, 100, 90, frot, 0, 0,
                  90, 90, 64, 64, reinterpret_cast<char*>(view.data())),
              -1);
    EXPECT_EQ(view[0], 5u);
}

// Runs after the test above (definition order): sets the lens once, then checks that a second
// call changes nothing and that both directions of the fisheye mapping agree.
TEST(DewarpImageUtilLens, FisheyeMappingsAfterTheLensIsSet) {
    DewarpImageUtil::setCameraParameters(DIU_FRONT_QUARTER, 180);
    DewarpImageUtil::setCameraParameters(DIU_FRONT_HALF, 90);
    float identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    int fx = 0, fy = 0;
    // Zenith: the centre; equator at longitude 0: an offset of one radius along +x, turned by
    // the quarter front direction to (cx + 0, cy - radius).
    DewarpImageUtil::translateToFisheyeCoord(0, 0, kEqW, kEqH, 100, 80, 50, identity, fx, fy);
    EXPECT_EQ(fx, 100);
    EXPECT_EQ(fy, 80);
    DewarpImageUtil::translateToFisheyeCoord(0, kEqH / 2.0f, kEqW, kEqH, 100, 80, 50, identity, fx,
                                             fy);
    EXPECT_EQ(fx, 100);
    EXPECT_EQ(fy, 30);
    DewarpImageUtil::translateToFisheyeCoord(0, kEqH * 0.9f, kEqW, kEqH, 100, 80, 50, identity, fx,
                                             fy);
    EXPECT_EQ(fx, -1) << "below the lens";

    auto eq = positions();
    constexpr int kOut = 400;
    std::vector<unsigned> fisheye(kOut * kOut);
    double rot[3][3];
    rotationAboutX(0.4, rot);
    double cx, cy, radius;
    ASSERT_EQ(DewarpImageUtil::reverseToFisheye(eq.data(), fisheye.data(), kEqW, kEqH, rot, kOut,
                                                kOut, cx, cy, radius),
              0);
    float frot[3][3];
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) frot[r][k] = float(rot[r][k]);
    int checked = 0;
    for (int y = 20; y < kEqH; y += 23) {
        for (int x = 5; x < kEqW; x += 37) {
            DewarpImageUtil::translateToFisheyeCoord(x, y, kEqW, kEqH, float(cx), float(cy),
                                                     float(radius), frot, fx, fy);
            if (fx < 0 || fy < 0 || fx >= kOut || fy >= kOut) continue;
            const double dx = fx - cx, dy = fy - cy;
            if (dx * dx + dy * dy > radius * radius * 0.8)
                continue;  // near the rim a pixel spans a wide band of the frame
            const unsigned seen = fisheye[size_t(fy) * kOut + fx];
            ASSERT_NE(seen, 0xFFFFFFFFu) << x << "," << y;
            const int col = int(seen % kEqW), row = int(seen / kEqW);
            const int dcol = std::min(std::abs(col - x), kEqW - std::abs(col - x));
            EXPECT_LE(dcol, y < 60 || y > 300 ? 40 : 6) << x << "," << y;
            EXPECT_LE(std::abs(row - y), 4) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);

    // A flat view straight from the fisheye looks through the same directions: its centre
    // (a window centred on latitude 45 at longitude 180) reads what the circle shows there.
    std::vector<unsigned> view(128 * 128, 0);
    ASSERT_EQ(
        DewarpImageUtil::dewarpProjectionBilinear(
            reinterpret_cast<const char*>(fisheye.data()), kOut, kOut, float(cx), float(cy),
            float(radius), frot, 135, 0, 90, 90, 128, 128, reinterpret_cast<char*>(view.data())),
        0);
    const unsigned centre = view[64 * 128 + 64];
    ASSERT_NE(centre, 0u);
    ASSERT_NE(centre, 0xFFFFFFFFu);
    EXPECT_NEAR(int(centre % kEqW), kEqW / 2, 8);
    EXPECT_NEAR(int(centre / kEqW), kEqH / 4, 8);
}

// At the circle centre the offset length is 0, and a slightly scaled matrix pushes z above 1:
// the zenith row comes back instead of a quotient by zero or the arcsine of 1.0001.
TEST(DewarpImageUtilLens, CentrePixelAndOverlongDirection) {
    DewarpImageUtil::setCameraParameters(DIU_FRONT_QUARTER, 180);
    auto eq = positions();
    for (float scale : {1.0f, 1.0001f}) {
        float inv[3][3] = {{scale, 0, 0}, {0, scale, 0}, {0, 0, scale}};
        float pixel[2] = {100, 100};
        const unsigned seen = pixel_Stupid_re(eq.data(), kEqW, kEqH, 100, 100, 90, inv, pixel);
        ASSERT_NE(seen, 0xFFFFFFFFu) << scale;
        EXPECT_EQ(seen / kEqW, 0u) << scale;
    }
    float inv[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    float outside[2] = {100 + 91, 100};
    EXPECT_EQ(pixel_Stupid_re(eq.data(), kEqW, kEqH, 100, 100, 90, inv, outside), 0xFFFFFFFFu);
    float zeroRadius[2] = {100, 100};
    EXPECT_EQ(pixel_Stupid_re(eq.data(), kEqW, kEqH, 100, 100, 0, inv, zeroRadius), 0xFFFFFFFFu);
}

}  // namespace
