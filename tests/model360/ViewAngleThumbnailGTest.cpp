#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "ViewAngleThumbnail.h"

namespace {

constexpr double kPi = 3.141592653589793;

uint32_t code(int x, int y) { return static_cast<uint32_t>(y) << 16 | static_cast<uint32_t>(x); }

std::vector<uint32_t> codedImage(int w, int h) {
    std::vector<uint32_t> img(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img[static_cast<size_t>(y) * w + x] = code(x, y);
    return img;
}

TEST(ViewAngleThumbnail, FullViewIsPlainDownscale) {
    const auto src = codedImage(400, 200);
    std::vector<uint32_t> dst(100 * 50);
    generateViewAngleThumbnail(src.data(), dst.data(), 400, 200, 360, 100, 50);
    for (int i = 0; i < 50; ++i)
        for (int j = 0; j < 100; ++j)
            ASSERT_EQ(dst[i * 100 + j], code(std::min(4 * j, 399), std::min(4 * i, 199)));
}

TEST(ViewAngleThumbnail, HalfViewTakesTheMiddle) {
    const auto src = codedImage(400, 200);
    std::vector<uint32_t> dst(100 * 50);
    generateViewAngleThumbnail(src.data(), dst.data(), 400, 200, 180, 100, 50);
    // Middle half of the columns (100..299) and of the rows (50..149).
    EXPECT_EQ(dst[0], code(100, 50));
    EXPECT_EQ(dst[50 * 100 - 1], code(100 + 2 * 99, 50 + 2 * 49));
}

TEST(ViewAngleThumbnail, NonSquareRatioIsNotTruncated) {
    // dstH / dstW = 0.75 must stay a fraction: sh = 120 x 0.75 x 200 / 180 = 100 rows.
    const auto src = codedImage(360, 200);
    std::vector<uint32_t> dst(40 * 30);
    generateViewAngleThumbnail(src.data(), dst.data(), 360, 200, 120, 40, 30);
    EXPECT_EQ(dst[0] >> 16, 50u);  // y0 = (200 - 100) / 2
    EXPECT_EQ(dst[29 * 40] >> 16, static_cast<uint32_t>(29 * 100 / 30.0 + 50 + 0.5));
    EXPECT_EQ(dst[0] & 0xffff, 120u);  // x0 = (360 - 120) / 2
}

TEST(ViewAngleThumbnail, SphereHelpersUseYUp) {
    double v[3];
    reversePerspectiveToSphereXYZ(0, 0, v);
    EXPECT_EQ(v[2], -1.0);
    reversePerspectiveToSphereXYZ(1, 0, v);
    EXPECT_NEAR(v[0], 1 / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(v[2], -1 / std::sqrt(2.0), 1e-12);

    struct Case {
        double v[3];
        double latDeg, lngDeg;
    };
    const Case cases[] = {
        {{0, 1, 0}, 90, 0},   {{0, 0, 1}, 0, 0},    {{1, 0, 0}, 0, 90},
        {{0, 0, -1}, 0, 180}, {{0, -1, 0}, -90, 0}, {{0, 1.0000000001, 0}, 90, 0},
    };
    for (const Case& c : cases) {
        double lat, lng;
        unitVectorToLatLngIn360(c.v, &lat, &lng);
        EXPECT_NEAR(lat, c.latDeg, 1e-9);
        EXPECT_NEAR(lng, c.lngDeg, 1e-9);
        unitVectorToLatLngInPi(c.v, &lat, &lng);
        EXPECT_NEAR(lat, c.latDeg * kPi / 180, 1e-9);
    }
}

}  // namespace
