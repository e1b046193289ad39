#include "DewarpTestData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "Dewarp360.h"
#include "Dewarp360Tables.h"
#include "DewarpMapCache.h"
#include "RotationGeometry.h"

namespace DewarpTestData {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr uint32_t kSentinel = 0x5a5a5a5au;
constexpr int kGuardWords = 16;

// Index and values of the first difference, or "" when equal.
std::string firstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                            int width) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return "row " + std::to_string(i / width) + " col " + std::to_string(i % width) + ": " +
                   std::to_string(a[i]) + " vs " + std::to_string(b[i]);
    return "";
}

void expectAllAgree(DewarpKernelKind kind, Sampling sampling, const std::vector<uint32_t>& src,
                    int srcW, int srcH, double cx, double cy, double radius, const double R[9],
                    int dstW, int dstH, int bg, const uint32_t* patch, int patchW, int patchH,
                    const std::string& what) {
    const auto ref = runKernel(DewarpKernelKind::C, sampling, src, srcW, srcH, cx, cy, radius, R,
                               dstW, dstH, bg, patch, patchW, patchH);
    const auto out = runKernel(kind, sampling, src, srcW, srcH, cx, cy, radius, R, dstW, dstH, bg,
                               patch, patchW, patchH);
    ASSERT_EQ(firstDifference(ref, out, dstW), "") << kindName(kind) << " " << what;
}

DewarpKernel pixelKernel(DewarpKernelKind kind, Sampling sampling) {
    const bool bilinear = sampling == Sampling::Bilinear;
    switch (kind) {
        case DewarpKernelKind::SSE2:
            return bilinear ? dewarpBilinearWithRotatedSrc_SSE2 : dewarpWithRotatedSrc_SSE2;
        case DewarpKernelKind::AVX2:
            return bilinear ? dewarpBilinearWithRotatedSrc_AVX2 : dewarpWithRotatedSrc_AVX2;
        default:
            return bilinear ? dewarpBilinearWithRotatedSrc : dewarpWithRotatedSrc_C;
    }
}

DewarpGatherKernel gatherKernel(DewarpKernelKind kind) {
    return kind == DewarpKernelKind::AVX2 ? gatherDewarpCodes_AVX2 : gatherDewarpCodes_C;
}

}  // namespace

std::vector<uint32_t> codedImage(int w, int h) {
    std::vector<uint32_t> img(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img[static_cast<size_t>(y) * w + x] =
                kCodeMarker | static_cast<uint32_t>(y) << 12 | static_cast<uint32_t>(x);
    return img;
}

bool decode(uint32_t pixel, int* x, int* y) {
    if ((pixel & 0xff000000u) != kCodeMarker) return false;
    *x = static_cast<int>(pixel & 0xfff);
    *y = static_cast<int>((pixel >> 12) & 0xfff);
    return true;
}

std::vector<uint32_t> randomImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> img(static_cast<size_t>(w) * h);
    for (uint32_t& p : img) p = rng();
    return img;
}

void randomRotation(unsigned seed, double R[9]) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> n(0, 1);
    double q[4] = {n(rng), n(rng), n(rng), n(rng)};
    refineQuaternion(q);
    fillRotationMatrixByQuaternion(q, R);
}

void identityRotation(double R[9]) { fillIdentityMatrix(R); }

double exactSourcePosition(const LensCase& lens, const double R[9], double lat, double lon,
                           double* px, double* py) {
    const double v[3] = {std::cos(lat) * std::cos(lon), -std::cos(lat) * std::sin(lon),
                         std::sin(lat)};
    double r[3];
    for (int i = 0; i < 3; ++i) r[i] = R[3 * i] * v[0] + R[3 * i + 1] * v[1] + R[3 * i + 2] * v[2];
    const double e = std::asin(std::max(-1.0, std::min(1.0, r[2])));
    const double h = std::sqrt(r[0] * r[0] + r[1] * r[1]);
    const double dist = lens.radius / (lens.covered / 2 * kPi / 180) * (kPi / 2 - e);
    const double a = h > 1e-12 ? r[0] / h * dist : 0.0;
    const double b = h > 1e-12 ? r[1] / h * dist : 0.0;
    switch (lens.direction) {
        case 0:
            *px = lens.cx + a, *py = lens.cy + b;
            break;
        case 1:
            *px = lens.cx + b, *py = lens.cy - a;
            break;
        case 2:
            *px = lens.cx - a, *py = lens.cy - b;
            break;
        case 4:
            *px = lens.cx - a, *py = lens.cy + b;
            break;
        default:
            *px = lens.cx - b, *py = lens.cy + a;
            break;
    }
    return e;
}

const char* kindName(DewarpKernelKind kind) {
    switch (kind) {
        case DewarpKernelKind::SSE2:
            return "SSE2";
        case DewarpKernelKind::AVX2:
            return "AVX2";
        default:
            return "C";
    }
}

namespace {

// A fresh dstW x dstH buffer pre-filled with the sentinel and followed by guard words, filled
// by `draw(buffer)`; fails the test when a guard word changes.
template <typename Draw>
std::vector<uint32_t> guarded(int dstW, int dstH, Draw draw) {
    const size_t n = static_cast<size_t>(dstW) * dstH;
    std::vector<uint32_t> dst(n + kGuardWords, kSentinel);
    draw(dst.data());
    for (int g = 0; g < kGuardWords; ++g)
        EXPECT_EQ(dst[n + g], kSentinel) << "write past the end, width " << dstW;
    dst.resize(n);
    return dst;
}

}  // namespace

std::vector<uint32_t> runKernel(DewarpKernelKind kind, Sampling sampling,
                                const std::vector<uint32_t>& src, int srcW, int srcH, double cx,
                                double cy, double radius, const double R[9], int dstW, int dstH,
                                int bg, const uint32_t* patch, int patchW, int patchH) {
    if (sampling != Sampling::Codes)
        return runKernel(pixelKernel(kind, sampling), src, srcW, srcH, cx, cy, radius, R, dstW,
                         dstH, bg, patch, patchW, patchH);
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    DewarpContext ctx;
    EXPECT_TRUE(makeDewarpContext(&ctx, src.data(), srcW, srcH, cx, cy, radius, bg, patch, patchW,
                                  patchH, dstW, dstH));
    const DewarpCodeKernel codes =
        kind == DewarpKernelKind::AVX2 ? dewarpCodes_AVX2 : dewarpCodes_C;
    return guarded(dstW, dstH, [&](uint32_t* dst) {
        codes(ctx, R, dstW, dstH, table->sin.data(), table->cos.data(),
              reinterpret_cast<int32_t*>(dst));
    });
}

std::vector<uint32_t> runKernel(DewarpKernel kernel, const std::vector<uint32_t>& src, int srcW,
                                int srcH, double cx, double cy, double radius, const double R[9],
                                int dstW, int dstH, int bg, const uint32_t* patch, int patchW,
                                int patchH) {
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    return guarded(dstW, dstH, [&](uint32_t* dst) {
        kernel(src.data(), dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, table->sin.data(),
               table->cos.data(), bg, patch, patchW, patchH);
    });
}

void expectKernelsAgreeOverWidths(DewarpKernelKind kind, int maxWidth, Sampling sampling) {
    const int srcW = 257, srcH = 251;
    const auto src = randomImage(srcW, srcH, 7);
    const auto patch = randomImage(31, 17, 8);
    const int directions[] = {0, 1, 2, 3, 4};
    const double radii[] = {120.2, 150.7};
    for (int w = 1; w <= maxWidth; ++w) {
        for (int dir : directions) {
            for (double radius : radii) {
                setCameraParameters(static_cast<FrontDirection>(dir), 200 + w % 3 * 10);
                double R[9];
                randomRotation(100 + w, R);
                expectAllAgree(kind, sampling, src, srcW, srcH, 128.3, 125.6, radius, R, w,
                               7 + w % 5, static_cast<int>(0xff102030u), patch.data(), 31, 17,
                               "width " + std::to_string(w) + " direction " + std::to_string(dir) +
                                   " radius " + std::to_string(radius));
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

void expectKernelsAgreeOverTable(DewarpKernelKind kind, Sampling sampling) {
    const int srcW = 2016, srcH = 2016;
    const auto src = randomImage(srcW, srcH, 11);
    const auto coded = codedImage(64, 48);
    const uint32_t onePixel = 0xff00ff00u;
    struct Patch {
        const char* name;
        const uint32_t* pixels;
        int w, h;
    };
    const Patch patches[] = {
        {"none", nullptr, 0, 0}, {"1x1", &onePixel, 1, 1}, {"coded", coded.data(), 64, 48}};
    // The bilinear kernels share the location code with the nearest ones: fewer directions and
    // widths for them.
    const bool bilinear = sampling == Sampling::Bilinear;
    const std::vector<int> directions =
        bilinear ? std::vector<int>{0, 1, 4} : std::vector<int>{0, 1, 2, 3, 4, 9};
    const double covers[] = {180, 210, 360};
    const std::vector<int> widths =
        bilinear ? std::vector<int>{2160, 1851} : std::vector<int>{2160, 2880, 3840, 1851};
    double rotations[2][9];
    identityRotation(rotations[0]);
    randomRotation(42, rotations[1]);
    for (int dir : directions)
        for (double covered : covers)
            for (const auto& R : rotations)
                for (const Patch& p : patches)
                    for (int w : widths) {
                        setCameraParameters(static_cast<FrontDirection>(dir), covered);
                        expectAllAgree(kind, sampling, src, srcW, srcH, 1007.5, 1010.25, 1000.0, R,
                                       w, 48, 0x11223344, p.pixels, p.w, p.h,
                                       "direction " + std::to_string(dir) + " covered " +
                                           std::to_string(covered) + " patch " + p.name +
                                           " width " + std::to_string(w));
                        if (::testing::Test::HasFatalFailure()) return;
                    }
}

void expectGathersAgree(DewarpKernelKind kind, int maxCount) {
    const auto src = randomImage(97, 89, 21);
    const auto patch = randomImage(13, 11, 22);
    const uint32_t onePixel = 0xff00ff00u;
    struct Patch {
        const uint32_t* pixels;
        int64_t size;
    };
    const Patch patches[] = {{nullptr, 0}, {&onePixel, 1}, {patch.data(), 13 * 11}};
    std::mt19937 rng(23);
    for (const Patch& p : patches)
        for (int count = 0; count <= maxCount; ++count) {
            std::vector<int32_t> codes(static_cast<size_t>(count));
            for (int32_t& c : codes) {
                const unsigned pick = rng() % 3;
                if (pick == 0 || !p.pixels)
                    c = static_cast<int32_t>(rng() % src.size());
                else if (pick == 1)
                    c = -1 - static_cast<int32_t>(rng() % static_cast<uint32_t>(p.size));
                else
                    c = kDewarpCodeBg;
            }
            std::vector<uint32_t> ref(codes.size() + kGuardWords, kSentinel), out = ref;
            gatherDewarpCodes_C(codes.data(), codes.size(), src.data(), p.pixels, p.size,
                                0x11223344u, ref.data());
            gatherKernel(kind)(codes.data(), codes.size(), src.data(), p.pixels, p.size,
                               0x11223344u, out.data());
            ASSERT_EQ(firstDifference(ref, out, count + 1), "")
                << kindName(kind) << " count " << count << " patch " << p.size;
        }
}

namespace {

// One dewarp call's geometry and entry form.
struct Geometry {
    int direction;
    double covered;
    int srcW, srcH;
    double cx, cy, radius;
    unsigned rotationSeed;
    int dstW, dstH;
    int patchW, patchH;  // 0 x 0: no patch
    enum Entry { PatchEntry, FillEntry, FillEntryWithPattern } entry;
};

// One frame: fresh pixels, bg and patch pixels for the geometry.
struct Frame {
    std::vector<uint32_t> src, patch;
    int bg;
    Frame(const Geometry& g, unsigned seed)
        : src(randomImage(g.srcW, g.srcH, seed)),
          patch(randomImage(std::max(g.patchW, 1), std::max(g.patchH, 1), seed + 1)),
          bg(static_cast<int>(0xff000000u | seed)) {}
    const uint32_t* patchPixels(const Geometry& g) const {
        return g.patchW > 0 ? patch.data() : nullptr;
    }
};

// The frame through the dewarp entry of g, and through the chosen kernel directly.
std::vector<uint32_t> drawByEntry(const Geometry& g, const Frame& f) {
    setCameraParameters(static_cast<FrontDirection>(g.direction), g.covered);
    double R[9];
    randomRotation(g.rotationSeed, R);
    std::vector<uint32_t> dst(static_cast<size_t>(g.dstW) * g.dstH, kSentinel);
    if (g.entry == Geometry::PatchEntry) {
        dewarp(f.src.data(), dst.data(), g.srcW, g.srcH, g.cx, g.cy, g.radius, R, g.dstW, g.dstH,
               f.patchPixels(g), g.patchW, g.patchH);
        return dst;
    }
    if (g.entry == Geometry::FillEntryWithPattern)
        set360PatchPattern(f.patchPixels(g), g.patchW, g.patchH);
    dewarp(f.src.data(), dst.data(), g.srcW, g.srcH, g.cx, g.cy, g.radius, R, g.dstW, g.dstH, f.bg);
    reset360PatchPattern();
    return dst;
}

std::vector<uint32_t> drawByKernel(const Geometry& g, const Frame& f) {
    setCameraParameters(static_cast<FrontDirection>(g.direction), g.covered);
    double R[9];
    randomRotation(g.rotationSeed, R);
    const uint32_t bgPixel = static_cast<uint32_t>(f.bg);
    const uint32_t* patch = f.patchPixels(g);
    int patchW = g.patchW, patchH = g.patchH, bg = f.bg;
    if (g.entry == Geometry::PatchEntry) bg = 0;
    if (g.entry == Geometry::FillEntry) patch = &bgPixel, patchW = patchH = 1;
    return runKernel(chosenDewarpKernel(), f.src, g.srcW, g.srcH, g.cx, g.cy, g.radius, R, g.dstW,
                     g.dstH, bg, patch, patchW, patchH);
}

}  // namespace

void expectRepeatedGeometriesMatchTheKernel() {
    Geometry g{0, 210, 301, 299, 150.5, 149, 140, 1, 200, 100, 31, 17, Geometry::PatchEntry};
    const Geometry first = g;
    struct Step {
        const char* change;
        void (*apply)(Geometry&);
    };
    const Step steps[] = {
        {"none", [](Geometry&) {}},
        {"rotation", [](Geometry& x) { x.rotationSeed = 2; }},
        {"circle centre", [](Geometry& x) { x.cx += 3; }},
        {"radius", [](Geometry& x) { x.radius = 120; }},
        {"lens direction", [](Geometry& x) { x.direction = 1; }},
        {"covered angle", [](Geometry& x) { x.covered = 180; }},
        {"patch size", [](Geometry& x) { x.patchW = x.patchH = 20; }},
        {"no patch", [](Geometry& x) { x.patchW = x.patchH = 0; }},
        {"fill entry", [](Geometry& x) { x.entry = Geometry::FillEntry; }},
        {"installed pattern",
         [](Geometry& x) {
             x.entry = Geometry::FillEntryWithPattern, x.patchW = 40, x.patchH = 30;
         }},
        {"output size", [](Geometry& x) { x.dstW = 256, x.dstH = 128; }},
        {"source size", [](Geometry& x) { x.srcW = 320, x.srcH = 300; }},
    };
    unsigned seed = 100;
    auto drawThrice = [&](const Geometry& at, const std::string& what) {
        const size_t mappedBefore = DewarpMapCache::stats().mappedDraws;
        for (int call = 0; call < 3; ++call) {
            const Frame frame(at, seed += 2);
            ASSERT_EQ(firstDifference(drawByKernel(at, frame), drawByEntry(at, frame), at.dstW), "")
                << "after a change of " << what << ", call " << call;
        }
        EXPECT_GE(DewarpMapCache::stats().mappedDraws - mappedBefore, 2u) << what;
    };
    for (const Step& step : steps) {
        step.apply(g);
        drawThrice(g, step.change);
        if (::testing::Test::HasFatalFailure()) return;
    }
    drawThrice(first, "everything back");
    const DewarpMapCache::Stats kept = DewarpMapCache::stats();
    EXPECT_LE(kept.maps, DewarpMapCache::kMaxMaps);
    EXPECT_LE(kept.bytes, DewarpMapCache::kMaxBytes);
}

void expectConcurrentRepeatsMatchTheKernel() {
    const Geometry g{3, 200, 257, 251, 128, 126, 120, 5, 360, 180, 16, 16, Geometry::PatchEntry};
    const size_t mappedBefore = DewarpMapCache::stats().mappedDraws;
    std::vector<std::vector<Frame>> frames(4);
    std::vector<std::vector<std::vector<uint32_t>>> outs(4);
    for (unsigned t = 0; t < 4; ++t)
        for (unsigned k = 0; k < 6; ++k) frames[t].emplace_back(g, 1000 + 20 * t + 2 * k);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (const Frame& f : frames[t]) outs[t].push_back(drawByEntry(g, f));
        });
    for (std::thread& th : threads) th.join();
    for (size_t t = 0; t < 4; ++t)
        for (size_t k = 0; k < frames[t].size(); ++k)
            ASSERT_EQ(firstDifference(drawByKernel(g, frames[t][k]), outs[t][k], g.dstW), "")
                << "thread " << t << " frame " << k;
    EXPECT_GT(DewarpMapCache::stats().mappedDraws, mappedBefore);
}

void SimdKernelTest::SetUp() {
    if (!processorRunsDewarpKernel(GetParam()))
        GTEST_SKIP() << "this processor lacks the " << kindName(GetParam()) << " instructions";
}

std::string kindParamName(const testing::TestParamInfo<DewarpKernelKind>& info) {
    return kindName(info.param);
}

}  // namespace DewarpTestData
