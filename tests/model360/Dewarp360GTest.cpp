// Dewarp entries and geometry with the lens set; the edge fade stays off in this executable.
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"
#include "DewarpTestData.h"
#include "RotationGeometry.h"

namespace {

using namespace DewarpTestData;

// An S x S source with byte 0 = x / 4 and byte 1 = y / 4: linear, so bilinear
// samples decode to positions.
std::vector<uint32_t> linearSource(int S) {
    std::vector<uint32_t> src(size_t(S) * S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            src[size_t(y) * S + x] = static_cast<uint32_t>((y / 4) << 8 | (x / 4));
    return src;
}

constexpr double kPi = 3.141592653589793;
constexpr int kBg = 0x10203040;

// Every output pixel seen by the lens decodes to within 1 px of the exact equidistant model.
void expectMatchesLensModel(const LensCase& lens, const double R[9], int dstW, int dstH) {
    const int srcW = 2880, srcH = 2880;
    static const std::vector<uint32_t> src = codedImage(srcW, srcH);
    setCameraParameters(static_cast<FrontDirection>(lens.direction), lens.covered);
    std::vector<uint32_t> dst(static_cast<size_t>(dstW) * dstH, 0);
    dewarp(src.data(), dst.data(), srcW, srcH, lens.cx, lens.cy, lens.radius, R, dstW, dstH,
           nullptr, 0, 0);
    const double edge = (90 - lens.covered / 2) * kPi / 180;
    int checked = 0;
    for (int i = 0; i < dstH; ++i) {
        for (int j = 0; j < dstW; ++j) {
            double px, py;
            const double lat = kPi / 2 - i * kPi / dstH, lon = 2 * kPi * j / dstW;
            const double e = exactSourcePosition(lens, R, lat, lon, &px, &py);
            int x, y;
            const bool seen = decode(dst[static_cast<size_t>(i) * dstW + j], &x, &y);
            if (e > edge + 0.002) {
                ASSERT_TRUE(seen) << "row " << i << " col " << j;
            }
            if (e < edge - 0.002) {
                ASSERT_FALSE(seen) << "row " << i << " col " << j;
            }
            if (!seen) continue;
            ASSERT_NEAR(x, px, 1.0) << "row " << i << " col " << j << " dir " << lens.direction;
            ASSERT_NEAR(y, py, 1.0) << "row " << i << " col " << j << " dir " << lens.direction;
            ++checked;
        }
    }
    EXPECT_GT(checked, dstW * dstH / 3);
}

TEST(Dewarp360, GeometryMatchesExactEquidistantLens) {
    double identity[9], random[9];
    identityRotation(identity);
    randomRotation(3, random);
    for (int dir = 0; dir <= 4; ++dir) {
        expectMatchesLensModel({dir, 210, 1440.0, 1439.5, 1400.0}, random, 720, 360);
        expectMatchesLensModel({dir, 180, 1400.25, 1450.0, 1300.0}, identity, 360, 180);
    }
}

TEST(Dewarp360, DirectionRuleTable) {
    // Identity, covered 180, radius 400: latitude 45 lands 200 px from the centre; column 0
    // (longitude 0) gives (a, b) = (200, 0), column 270 (longitude 270) gives (0, 200).
    struct Case {
        int dir;
        int x0, y0;      // (a, b) = (200, 0)
        int x270, y270;  // (a, b) = (0, 200)
    };
    const Case cases[] = {
        {0, 700, 500, 500, 700}, {1, 500, 300, 700, 500}, {2, 300, 500, 500, 300},
        {3, 500, 700, 300, 500}, {4, 300, 500, 500, 700}, {8, 500, 700, 300, 500},
    };
    const auto src = codedImage(1001, 1001);
    double R[9];
    identityRotation(R);
    for (const Case& c : cases) {
        setCameraParameters(static_cast<FrontDirection>(c.dir), 180);
        std::vector<uint32_t> dst(360 * 180, 0);
        dewarp(src.data(), dst.data(), 1001, 1001, 500, 500, 400, R, 360, 180, 0);
        int x, y;
        ASSERT_TRUE(decode(dst[45 * 360 + 0], &x, &y));
        EXPECT_NEAR(x, c.x0, 1) << "direction " << c.dir;
        EXPECT_NEAR(y, c.y0, 1) << "direction " << c.dir;
        ASSERT_TRUE(decode(dst[45 * 360 + 270], &x, &y));
        EXPECT_NEAR(x, c.x270, 1) << "direction " << c.dir;
        EXPECT_NEAR(y, c.y270, 1) << "direction " << c.dir;
    }
}

TEST(Dewarp360, ZenithEquatorAndUncoveredRows) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 180);
    const auto src = codedImage(1001, 1001);
    double R[9];
    identityRotation(R);
    const int W = 64, H = 32;
    std::vector<uint32_t> dst(W * H, 0);
    dewarp(src.data(), dst.data(), 1001, 1001, 500, 500, 400, R, W, H, kBg);
    for (int j = 0; j < W; ++j) {
        int x, y;
        ASSERT_TRUE(decode(dst[j], &x, &y));  // zenith: the circle centre
        EXPECT_EQ(x, 500);
        EXPECT_EQ(y, 500);
        ASSERT_TRUE(decode(dst[(H / 2) * W + j], &x, &y));  // equator: the circle edge
        EXPECT_NEAR(std::hypot(x - 500, y - 500), 400, 1.5);
        for (int i = H / 2 + 1; i < H; ++i)  // below: bg (no pattern installed)
            EXPECT_EQ(dst[i * W + j], static_cast<uint32_t>(kBg));
    }
}

TEST(Dewarp360, InstalledPatternFillsUncoveredDirections) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 180);
    const auto src = codedImage(301, 301);
    const std::vector<uint32_t> pattern(40 * 40, 0xff00aa00u);
    double R[9];
    identityRotation(R);
    const int W = 32, H = 16;
    std::vector<uint32_t> dst(W * H, 0);
    set360PatchPattern(pattern.data(), 40, 40);
    dewarp(src.data(), dst.data(), 301, 301, 150, 150, 140, R, W, H, kBg);
    EXPECT_EQ(dst[(H - 1) * W], 0xff00aa00u);  // the nadir: the pattern centre
    EXPECT_EQ(dst[(H - 3) * W + 5], 0xff00aa00u);
    reset360PatchPattern();
    dewarp(src.data(), dst.data(), 301, 301, 150, 150, 140, R, W, H, kBg);
    EXPECT_EQ(dst[(H - 1) * W], static_cast<uint32_t>(kBg));

    // Next to the nadir a coded patch reads its centre (w/2, h/2).
    const auto coded = codedImage(50, 30);
    const int nadirH = 1800;
    std::vector<uint32_t> fine(W * nadirH, 0);
    dewarp(src.data(), fine.data(), 301, 301, 150, 150, 140, R, W, nadirH, coded.data(), 50, 30);
    int x, y;
    ASSERT_TRUE(decode(fine[(nadirH - 1) * W], &x, &y));
    EXPECT_EQ(x, 25);
    EXPECT_EQ(y, 15);
}

TEST(Dewarp360, AngleEntryMatchesItsMatrix) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const auto src = randomImage(301, 301, 9);
    const double a = 0.3, b = -0.2;
    double rx[9], ry[9], R[9];
    fillRotationMatrixAlongX(-b, rx);
    fillRotationMatrixAlongY(-a, ry);
    rmatrixMutiply(rx, ry, R);
    std::vector<uint32_t> byAngles(96 * 48), byMatrix(96 * 48);
    dewarp(src.data(), byAngles.data(), 301, 301, 150, 150, 140, a, b, 96, 48, kBg);
    dewarp(src.data(), byMatrix.data(), 301, 301, 150, 150, 140, R, 96, 48, kBg);
    EXPECT_EQ(byAngles, byMatrix);
}

TEST(Dewarp360, BilinearDewarpFollowsTheLens) {
    // A smooth source (byte 0 = x / 4, byte 1 = y / 4) survives bilinear sampling.
    setCameraParameters(FRONT_DIRECTION_NORMAL, 200);
    const int S = 1000;
    const std::vector<uint32_t> src = linearSource(S);
    double R[9];
    randomRotation(5, R);
    const int W = 120, H = 60;
    std::vector<uint32_t> dst(W * H, 0);
    dewarpBilinear(src.data(), dst.data(), S, S, 500, 500, 480, R, W, H, kBg);
    const LensCase lens{0, 200, 500, 500, 480};
    for (int i = 0; i < H; ++i)
        for (int j = 0; j < W; ++j) {
            double px, py;
            const double e =
                exactSourcePosition(lens, R, kPi / 2 - i * kPi / H, 2 * kPi * j / W, &px, &py);
            const uint32_t p = dst[i * W + j];
            if (e < -10 * kPi / 180 + 0.002) continue;
            EXPECT_EQ(p >> 24, 255u);
            EXPECT_NEAR(static_cast<double>(p & 255), px / 4, 2.0);
            EXPECT_NEAR(static_cast<double>((p >> 8) & 255), py / 4, 2.0);
        }
}

TEST(Dewarp360, PartialDewarpWindowAndDegenerateSizes) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const auto src = codedImage(2001, 2001);
    double R[9];
    randomRotation(8, R);
    const LensCase lens{0, 210, 1000, 1000, 950};
    struct Case {
        int w, h;
    };
    for (const Case& c : {Case{40, 20}, Case{1, 1}, Case{1, 5}, Case{7, 1}}) {
        std::vector<uint32_t> dst(c.w * c.h, 0);
        partialDewarp(src.data(), dst.data(), 2001, 2001, 1000, 1000, 950, R, c.w, c.h, 60, 20, -30,
                      50, kBg);
        for (int i = 0; i < c.h; ++i)
            for (int j = 0; j < c.w; ++j) {
                const double latDeg = c.h > 1 ? 60 - 40.0 * i / (c.h - 1) : 60;
                const double lonDeg = c.w > 1 ? -30 + 80.0 * j / (c.w - 1) : -30;
                double px, py;
                const double e =
                    exactSourcePosition(lens, R, latDeg * kPi / 180, lonDeg * kPi / 180, &px, &py);
                int x, y;
                const bool seen = decode(dst[i * c.w + j], &x, &y);
                if (e < -15 * kPi / 180 - 0.002) {
                    EXPECT_FALSE(seen);
                }
                if (e < -15 * kPi / 180 + 0.002) continue;
                ASSERT_TRUE(seen) << c.w << "x" << c.h << " row " << i << " col " << j;
                EXPECT_NEAR(x, px, 1.0);
                EXPECT_NEAR(y, py, 1.0);
            }
    }
}

TEST(Dewarp360, RepeatedGeometriesGiveTheKernelsBytes) { expectRepeatedGeometriesMatchTheKernel(); }

TEST(Dewarp360, ConcurrentRepeatsGiveTheKernelsBytes) { expectConcurrentRepeatsMatchTheKernel(); }

TEST(Dewarp360, FastPolarRowsFollowCoveredAngle) {
    const auto src = codedImage(401, 401);
    const int W = 32, H = 40;
    for (double covered : {360.0, 180.0}) {
        setCameraParameters(FRONT_DIRECTION_NORMAL, covered);
        std::vector<uint32_t> dst(W * H, 0xdeadbeefu);
        fastDewarp(src.data(), dst.data(), 401, 401, 200, 200, 190, W, H, kBg);
        const int drawn = covered == 360.0 ? H : H / 2;
        for (int i = 0; i < H; ++i) {
            int x, y;
            if (i < drawn) {
                ASSERT_TRUE(decode(dst[i * W + 3], &x, &y)) << "row " << i;
                EXPECT_NEAR(std::hypot(x - 200, y - 200), i * 190.0 / drawn, 1.0);
            } else {
                EXPECT_EQ(dst[i * W + 3], 0u) << "row " << i;
            }
        }
        int x, y;
        ASSERT_TRUE(decode(dst[5], &x, &y));  // row 0: the lens axis
        EXPECT_EQ(x, 200);
        EXPECT_EQ(y, 200);
    }
}

TEST(Dewarp360, FastTiltedMirrorsAndOddWidth) {
    // Byte 0 = x / 4 and byte 1 = y / 4: linear, so bilinear samples decode to positions.
    setCameraParameters(FRONT_DIRECTION_NORMAL, 200);
    const int S = 1000;
    const std::vector<uint32_t> src = linearSource(S);
    const double tilt = 20;
    for (int W : {9, 10}) {
        const int H = 30;
        std::vector<uint32_t> dst(W * H, 0xdeadbeefu);
        fastDewarp(src.data(), dst.data(), S, S, 500, 500, 480, tilt, W, H, kBg);
        const int left = (W + 1) / 2;
        const double t = tilt * kPi / 180;
        const int count = static_cast<int>((100 + tilt) * H / 180 + 0.5);
        for (int i = count + 1; i < H; ++i)
            for (int j = 0; j < W; ++j)
                EXPECT_EQ(dst[i * W + j], static_cast<uint32_t>(kBg)) << "row " << i;
        for (int i = 0; i <= count; ++i) {
            const double lat = kPi / 2 - i * kPi / H;
            for (int j = 0; j < left; ++j) {
                const double lon = 2 * kPi * j / W;
                // The tilted direction, its elevation and equidistant offsets.
                const double x =
                    std::cos(lon) * std::cos(t) * std::cos(lat) + std::sin(t) * std::sin(lat);
                const double y = -std::sin(lon) * std::cos(lat);
                const double z =
                    -std::cos(lat) * std::sin(t) * std::cos(lon) + std::sin(lat) * std::cos(t);
                const double e = std::asin(z);
                const uint32_t p = dst[i * W + j];
                const uint32_t mirror = dst[i * W + (W - 1 - j)];
                if (e < -10 * kPi / 180 - 0.002) {
                    EXPECT_EQ(p, static_cast<uint32_t>(kBg));
                    EXPECT_EQ(mirror, static_cast<uint32_t>(kBg));
                    continue;
                }
                if (e < -10 * kPi / 180 + 0.002) continue;
                const double h = std::hypot(x, y);
                const double d = 480 / (100 * kPi / 180) * (kPi / 2 - e);
                const double a = h > 1e-9 ? x / h * d : 0, b = h > 1e-9 ? y / h * d : 0;
                EXPECT_NEAR(static_cast<double>(p & 255), (500 + a) / 4, 2.0)
                    << W << " " << i << " " << j;
                EXPECT_NEAR(static_cast<double>((p >> 8) & 255), (500 + b) / 4, 2.0);
                if (W - 1 - j != j) {  // the mirrored column: same a, b negated
                    EXPECT_NEAR(static_cast<double>(mirror & 255), (500 + a) / 4, 2.0);
                    EXPECT_NEAR(static_cast<double>((mirror >> 8) & 255), (500 - b) / 4, 2.0);
                }
            }
        }
    }
}

TEST(Dewarp360, BilinearPixel) {
    // 3 x 2 image: byte 0 = 200, 10, 50 on the first row, 100, 0, 0 on the second.
    const uint32_t img[6] = {0x000000c8u, 0x0000000au, 0x00000032u,
                             0x00000064u, 0x00000000u, 0x00000000u};
    struct Case {
        float x, y;
        uint32_t expected;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 0xff0000c8u},   // a pixel itself, alpha 255
        {0.5f, 0.0f, 0xff000069u},   // (200 + 10) / 2
        {0.0f, 0.5f, 0xff000096u},   // (200 + 100) / 2
        {2.0f, 0.0f, 0xff000032u},   // last column: unblended
        {1.5f, 1.0f, 0xff000000u},   // last row
        {-0.5f, 0.0f, 0xff0000c8u},  // just left of the image: the edge, no wrap to 39
        {0.0f, -0.5f, 0xff0000c8u},  // just above
        {3.0f, 0.0f, 0x12345678u},   // outside: bg
        {-1.0f, 0.0f, 0x12345678u}, {NAN, 0.0f, 0x12345678u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bilinearPixel(img, 12, 3, 2, c.x, c.y, 0x12345678), c.expected)
            << c.x << ", " << c.y;
}

TEST(Dewarp360, TablesAreBuiltOncePerWidth) {
    const MajorSinCosTable* a = _get360MajorSinCosTable(1234);
    const MajorSinCosTable* b = _get360MajorSinCosTable(1236);
    EXPECT_NE(a, b);
    EXPECT_EQ(_get360MajorSinCosTable(1234), a);
    EXPECT_EQ(a->n, 1234);
    EXPECT_FLOAT_EQ(a->sin[1234 / 4], static_cast<float>(std::sin(2 * kPi * (1234 / 4) / 1234)));
    EXPECT_EQ(_get360MajorSinCosTable(0), nullptr);
    EXPECT_EQ(_get360MajorSinCosTable(kDewarpMaxSide + 1), nullptr);

    const PartialSinCosTable* p = get360PartialSinCosTable(1, 10, 20);  // one column: its start
    ASSERT_NE(p, nullptr);
    EXPECT_FLOAT_EQ(p->cos[0], static_cast<float>(std::cos(10 * kPi / 180)));
    EXPECT_EQ(get360PartialSinCosTable(1, 10, 20), p);
    EXPECT_NE(get360PartialSinCosTable(1, 10, 21), p);

    const float* asinT = _init360ArcSinTable();
    EXPECT_EQ(asinT[0], 0.0f);
    EXPECT_FLOAT_EQ(asinT[2048], static_cast<float>(std::asin(0.5)));
    EXPECT_FLOAT_EQ(asinT[-2048], -static_cast<float>(std::asin(0.5)));
    EXPECT_EQ(asinT[4116], 1.5707964f);
    EXPECT_EQ(asinT[-4116], -1.5707964f);
    const float* cosT = _init360MajorSinCosTable();
    EXPECT_EQ(cosT[0], 1.0f);
    EXPECT_NEAR(cosT[4096], -4.371139e-8f, 1e-12);
    EXPECT_EQ(cosT[4116], 0.0f);
}

TEST(Dewarp360, ConcurrentFirstUseOfWidths) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const auto src = randomImage(501, 501, 4);
    double R[9];
    randomRotation(6, R);
    const int widths[] = {1001, 1003, 1005, 1007};
    std::vector<std::vector<uint32_t>> outs(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            const int w = widths[t % 4];
            outs[t].assign(static_cast<size_t>(w) * 20, 0);
            dewarp(src.data(), outs[t].data(), 501, 501, 250, 250, 240, R, w, 20, kBg);
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) {
        const int w = widths[t % 4];
        std::vector<uint32_t> ref(static_cast<size_t>(w) * 20, 0);
        dewarp(src.data(), ref.data(), 501, 501, 250, 250, 240, R, w, 20, kBg);
        EXPECT_EQ(outs[t], ref) << "thread " << t;
    }
}

TEST(Dewarp360, BadSizesWriteNothing) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const auto src = randomImage(64, 64, 2);
    double R[9];
    identityRotation(R);
    std::vector<uint32_t> dst(64 * 32, 0x77777777u);
    const std::vector<uint32_t> before = dst;
    dewarp(src.data(), dst.data(), 0, 64, 32, 32, 30, R, 64, 32, kBg);
    dewarp(src.data(), dst.data(), 64, -1, 32, 32, 30, R, 64, 32, kBg);
    dewarp(src.data(), dst.data(), 64, 64, 32, 32, 30, R, 0, 32, kBg);
    dewarp(nullptr, dst.data(), 64, 64, 32, 32, 30, R, 64, 32, kBg);
    dewarp(src.data(), dst.data(), 1 << 20, 1 << 20, 32, 32, 30, R, 64, 32, kBg);
    dewarpBilinear(src.data(), dst.data(), 64, 64, 32, 32, 30, R, 64, 0, kBg);
    fastDewarp(src.data(), dst.data(), 64, 0, 32, 32, 30, 64, 32, kBg);
    EXPECT_EQ(dst, before);
    // A NaN rotation must not crash: every position is rejected and gives bg.
    double bad[9];
    for (double& v : bad) v = NAN;
    dewarp(src.data(), dst.data(), 64, 64, 32, 32, 30, bad, 64, 32, kBg);
    EXPECT_EQ(dst[100], static_cast<uint32_t>(kBg));
}

// Kernel choice from injected CPUID answers.
struct FakeCpu {
    int leaf0[4], leaf1[4], leaf7[4];
    uint64_t xcr0;
    bool leaf7Asked, xgetbvAsked;
};
FakeCpu gFake;

void fakeCpuid(int out[4], int leaf) {
    const int* src = leaf == 0 ? gFake.leaf0 : leaf == 1 ? gFake.leaf1 : gFake.leaf7;
    if (leaf == 7) gFake.leaf7Asked = true;
    for (int i = 0; i < 4; ++i) out[i] = src[i];
}

uint64_t fakeXgetbv() {
    gFake.xgetbvAsked = true;
    return gFake.xcr0;
}

TEST(Dewarp360, KernelChoiceFromCpuid) {
    constexpr int kSse2 = 1 << 26, kOsxsave = 1 << 27, kAvx = 1 << 28, kAvx2 = 1 << 5;
    constexpr const char* kNone = "No SIMD will be used for Dewarp360.";
    constexpr const char* kUseSse2 = "Dewarp360 will use SSE2.";
    constexpr const char* kUseAvx2 = "Dewarp360 will use AVX2.";
    struct Case {
        const char* what;
        int maxLeaf, ecx1, edx1, ebx7;
        uint64_t xcr0;
        DewarpKernelKind kind;
        const char* line;
        bool asksXgetbv;
    };
    const Case cases[] = {
        {"no leaves", 0, kOsxsave | kAvx, kSse2, kAvx2, 7, DewarpKernelKind::C, kNone, false},
        {"negative max", -5, 0, kSse2, 0, 0, DewarpKernelKind::C, kNone, false},
        {"avx2", 13, kOsxsave | kAvx, kSse2, kAvx2, 7, DewarpKernelKind::AVX2, kUseAvx2, true},
        {"no osxsave", 13, kAvx, kSse2, kAvx2, 7, DewarpKernelKind::SSE2, kUseSse2, false},
        {"ymm off", 13, kOsxsave | kAvx, kSse2, kAvx2, 3, DewarpKernelKind::SSE2, kUseSse2, true},
        {"no avx flag", 13, kOsxsave, kSse2, kAvx2, 7, DewarpKernelKind::SSE2, kUseSse2, false},
        {"leaf 7 absent", 6, kOsxsave | kAvx, kSse2, kAvx2, 7, DewarpKernelKind::SSE2, kUseSse2,
         false},
        {"sse2 only", 13, 0, kSse2, 0, 0, DewarpKernelKind::SSE2, kUseSse2, false},
        {"nothing", 13, 0, 0, 0, 0, DewarpKernelKind::C, kNone, false},
    };
    for (const Case& c : cases) {
        gFake = {
            {c.maxLeaf, 0, 0, 0}, {0, 0, c.ecx1, c.edx1}, {0, c.ebx7, 0, 0}, c.xcr0, false, false};
        const DewarpKernelChoice choice = chooseDewarpKernel(fakeCpuid, fakeXgetbv);
        EXPECT_EQ(choice.kind, c.kind) << c.what;
        EXPECT_STREQ(choice.logLine, c.line) << c.what;
        EXPECT_EQ(gFake.xgetbvAsked, c.asksXgetbv) << c.what;
        EXPECT_EQ(gFake.leaf7Asked, c.maxLeaf >= 7) << c.what;
        const DewarpKernel expected = c.kind == DewarpKernelKind::AVX2   ? dewarpWithRotatedSrc_AVX2
                                      : c.kind == DewarpKernelKind::SSE2 ? dewarpWithRotatedSrc_SSE2
                                                                         : dewarpWithRotatedSrc_C;
        EXPECT_EQ(choice.kernel, expected) << c.what;
    }
}

}  // namespace
