#include <gtest/gtest.h>

#include <QThreadPool>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "FisheyeFixtures.h"
#include "SnapshotGenerator.h"

using namespace FisheyeFixtures;

namespace {

const uint32_t kOpaque = 0xFF2864C8u;
const uint32_t kDivider = 0x00FFFFFFu;

using Snapshot = void (*)(const unsigned char*, int, int, unsigned char*, int, int, float, float,
                          float);

std::vector<uint32_t> run(Snapshot make, const std::vector<uint32_t>& src, int dstW, int dstH,
                          float radius = kRadius) {
    std::vector<uint32_t> dst(size_t(dstW) * dstH, 0xABABABABu);
    make(reinterpret_cast<const unsigned char*>(src.data()), kSize, kSize,
         reinterpret_cast<unsigned char*>(dst.data()), dstW, dstH, kCenter, kCenter, radius);
    return dst;
}

bool rowIs(const std::vector<uint32_t>& img, int w, int row, uint32_t value) {
    for (int x = 0; x < w; ++x)
        if (img[size_t(row) * w + x] != value) return false;
    return true;
}

TEST(SnapshotGenerator, PanoramaShowsOnlyTheBand) {
    const auto img = run(SnapshotGenerator::snapshotPanorama, uniformPixels(kOpaque), 2160, 1080);
    for (int row = 0; row < 1080; ++row) {
        const bool band = row >= 315 && row <= 765;
        ASSERT_TRUE(rowIs(img, 2160, row, band ? kOpaque : 0u)) << row;
    }
}

TEST(SnapshotGenerator, HalfAndQuarterHaveWhiteDividers) {
    const auto half = run(SnapshotGenerator::snapshotHalf, uniformPixels(kOpaque), 1296, 1080);
    const auto quarter =
        run(SnapshotGenerator::snapshotQuarter, uniformPixels(kOpaque), 1296, 1080);
    for (int row : {539, 540, 541}) {
        EXPECT_TRUE(rowIs(half, 1296, row, kDivider)) << row;
        EXPECT_TRUE(rowIs(quarter, 1296, row, kDivider)) << row;
    }
    for (int row : {0, 538, 542, 1079}) {
        EXPECT_TRUE(rowIs(half, 1296, row, kOpaque)) << row;
        for (int x = 0; x < 1296; ++x) {
            const bool divider = x >= 647 && x <= 649;
            ASSERT_EQ(quarter[size_t(row) * 1296 + x], divider ? kDivider : kOpaque) << row << x;
        }
    }
}

// Source position of a panorama pixel, computed in double from the lens model.
void panoramaSource(int i, int j, int w, int h, double radius, double* x, double* y) {
    const double pi = M_PI;
    const double phi = pi / 2 - pi * i / h - 22.5 * pi / 180;
    const double theta = 2 * pi * j / w;
    const double r[3] = {-std::cos(phi) * std::cos(theta), -std::cos(phi) * std::sin(theta),
                         -std::sin(phi)};
    const double offAxis = std::acos(r[2]);
    const double rho = offAxis / (105 * pi / 180) * radius;
    const double planar = std::hypot(r[0], r[1]);
    *y = kCenter - rho * r[0] / planar;
    *x = kCenter + rho * r[1] / planar;
}

TEST(SnapshotGenerator, DirectionsOutsideTheSourceAreTransparent) {
    const double radius = 400;  // the circle reaches far beyond the 256-pixel frame
    const auto img = run(SnapshotGenerator::snapshotPanorama, codedPixels(), 720, 360, radius);
    int outside = 0;
    int inside = 0;
    for (int i = 105; i <= 255; ++i) {
        for (int j = 0; j < 720; j += 3) {
            double x;
            double y;
            panoramaSource(i, j, 720, 360, radius, &x, &y);
            const uint32_t pixel = img[size_t(i) * 720 + j];
            const bool far = x < -1.5 || y < -1.5 || x > kSize + 0.5 || y > kSize + 0.5;
            const bool well = x > 0.5 && y > 0.5 && x < kSize - 1.5 && y < kSize - 1.5;
            if (far) {
                ++outside;
                ASSERT_EQ(pixel, 0u) << i << "," << j;
            } else if (well) {
                ++inside;
                ASSERT_TRUE(isCoded(pixel)) << i << "," << j;
                ASSERT_NEAR(codedX(pixel), x, 1.0);
                ASSERT_NEAR(codedY(pixel), y, 1.0);
            }
        }
    }
    EXPECT_GT(outside, 1000);
    EXPECT_GT(inside, 1000);
}

TEST(SnapshotGenerator, WholeSphereMeetsTheLensAxisAndCircle) {
    const auto img = run(SnapshotGenerator::snapshot, codedPixels(), 720, 2160);
    // The last row is within 0.1 degrees of the lens axis: the centre pixel.
    for (int j = 0; j < 720; ++j) {
        const uint32_t pixel = img[size_t(2159) * 720 + j];
        ASSERT_EQ(codedX(pixel), 128);
        ASSERT_EQ(codedY(pixel), 128);
    }
    // Just below latitude 15 degrees (105 off the axis) lies the lens circle; above, nothing.
    for (int j = 0; j < 720; j += 7) {
        const uint32_t pixel = img[size_t(901) * 720 + j];
        ASSERT_TRUE(isCoded(pixel));
        EXPECT_NEAR(std::hypot(codedX(pixel) - kCenter, codedY(pixel) - kCenter), kRadius, 1.5);
    }
    for (int row = 0; row < 899; ++row) ASSERT_TRUE(rowIs(img, 720, row, 0u)) << row;
}

struct AngleCase {
    float zoom;
    float angleX;
    float angleY;
};

class AngleExtremes : public testing::TestWithParam<AngleCase> {};

TEST_P(AngleExtremes, EveryPixelIsASourcePixelOrTransparent) {
    const AngleCase c = GetParam();
    const auto src = codedPixels();
    std::vector<uint32_t> dst(320 * 160, 0xABABABABu);
    SnapshotGenerator::snapshotAngle(reinterpret_cast<const unsigned char*>(src.data()), kSize,
                                     kSize, reinterpret_cast<unsigned char*>(dst.data()), 320, 160,
                                     kCenter, kCenter, kRadius, c.zoom, c.angleX, c.angleY);
    for (uint32_t pixel : dst) ASSERT_TRUE(pixel == 0u || isCoded(pixel)) << std::hex << pixel;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Views, AngleExtremes,
                         testing::Values(AngleCase{7, 0, 0}, AngleCase{60, 90, 0},
                                         AngleCase{5, -90, 720}, AngleCase{0, 0, 0},
                                         AngleCase{-7, 180, -180}, AngleCase{1e6f, 45, 45},
                                         AngleCase{7, kNaN, 0}, AngleCase{kNaN, 0, kNaN}));

TEST(SnapshotGenerator, ThreadCountDoesNotChangeTheImage) {
    const auto src = codedPixels();
    const auto* in = reinterpret_cast<const unsigned char*>(src.data());
    std::vector<uint32_t> images[2];
    const int threads[2] = {1, 8};
    const int previous = QThreadPool::globalInstance()->maxThreadCount();
    for (int k = 0; k < 2; ++k) {
        QThreadPool::globalInstance()->setMaxThreadCount(threads[k]);
        images[k].resize(500 * 250);
        SnapshotGenerator::snapshotAngle(in, kSize, kSize,
                                         reinterpret_cast<unsigned char*>(images[k].data()), 500,
                                         250, kCenter, kCenter, kRadius, 9, 25, -40);
    }
    QThreadPool::globalInstance()->setMaxThreadCount(previous);
    EXPECT_TRUE(images[0] == images[1]);
}

TEST(SnapshotGenerator, MissingSourceGivesTransparentImage) {
    std::vector<uint32_t> dst(64 * 32, 0xABABABABu);
    auto* out = reinterpret_cast<unsigned char*>(dst.data());
    const auto src = codedPixels();
    const auto* in = reinterpret_cast<const unsigned char*>(src.data());
    SnapshotGenerator::snapshotPanorama(nullptr, kSize, kSize, out, 64, 32, 128, 128, 120);
    EXPECT_TRUE(rowIs(dst, 64 * 32, 0, 0u));
    dst.assign(dst.size(), 0xABABABABu);
    SnapshotGenerator::snapshotAngle(in, 0, kSize, out, 64, 32, 128, 128, 120, 7, 0, 0);
    EXPECT_TRUE(rowIs(dst, 64 * 32, 0, 0u));
    // An empty destination is not touched.
    SnapshotGenerator::snapshotHalf(in, kSize, kSize, nullptr, 64, 32, 128, 128, 120);
    SnapshotGenerator::snapshotQuarter(in, kSize, kSize, out, 0, 32, 128, 128, 120);
}

}  // namespace
