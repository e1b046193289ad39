#include "DewarpTestData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "Dewarp360.h"
#include "Dewarp360Tables.h"
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

void expectAllAgree(Sampling sampling, const std::vector<uint32_t>& src, int srcW, int srcH,
                    double cx, double cy, double radius, const double R[9], int dstW, int dstH,
                    int bg, const uint32_t* patch, int patchW, int patchH,
                    const std::string& what) {
    const std::vector<NamedKernel>& all = kernels(sampling);
    const auto ref = runKernel(all.front().kernel, src, srcW, srcH, cx, cy, radius, R, dstW, dstH,
                               bg, patch, patchW, patchH);
    for (const NamedKernel& k : all) {
        const auto out = runKernel(k.kernel, src, srcW, srcH, cx, cy, radius, R, dstW, dstH, bg,
                                   patch, patchW, patchH);
        ASSERT_EQ(firstDifference(ref, out, dstW), "") << k.name << " " << what;
    }
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

const std::vector<NamedKernel>& kernels(Sampling sampling) {
    struct Kind {
        NamedKernel nearest, bilinear;
        DewarpKernelKind kind;
    };
    static const Kind all[] = {
        {{"C", dewarpWithRotatedSrc_C},
         {"bilinear C", dewarpBilinearWithRotatedSrc},
         DewarpKernelKind::C},
        {{"SSE2", dewarpWithRotatedSrc_SSE2},
         {"bilinear SSE2", dewarpBilinearWithRotatedSrc_SSE2},
         DewarpKernelKind::SSE2},
        {{"AVX2", dewarpWithRotatedSrc_AVX2},
         {"bilinear AVX2", dewarpBilinearWithRotatedSrc_AVX2},
         DewarpKernelKind::AVX2},
    };
    auto runnable = [](Sampling which) {
        std::vector<NamedKernel> list;
        for (const Kind& k : all) {
            const NamedKernel& named = which == Sampling::Bilinear ? k.bilinear : k.nearest;
            if (processorRunsDewarpKernel(k.kind))
                list.push_back(named);
            else
                std::printf("Skipping the %s kernel: this processor lacks it.\n", named.name);
        }
        return list;
    };
    static const std::vector<NamedKernel> nearest = runnable(Sampling::Nearest);
    static const std::vector<NamedKernel> bilinear = runnable(Sampling::Bilinear);
    return sampling == Sampling::Bilinear ? bilinear : nearest;
}

std::vector<uint32_t> runKernel(DewarpKernel kernel, const std::vector<uint32_t>& src, int srcW,
                                int srcH, double cx, double cy, double radius, const double R[9],
                                int dstW, int dstH, int bg, const uint32_t* patch, int patchW,
                                int patchH) {
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    const size_t n = static_cast<size_t>(dstW) * dstH;
    std::vector<uint32_t> dst(n + kGuardWords, kSentinel);
    kernel(src.data(), dst.data(), srcW, srcH, cx, cy, radius, R, dstW, dstH, table->sin.data(),
           table->cos.data(), bg, patch, patchW, patchH);
    for (int g = 0; g < kGuardWords; ++g)
        EXPECT_EQ(dst[n + g], kSentinel) << "write past the end, width " << dstW;
    dst.resize(n);
    return dst;
}

void expectKernelsAgreeOverWidths(int maxWidth, Sampling sampling) {
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
                expectAllAgree(sampling, src, srcW, srcH, 128.3, 125.6, radius, R, w, 7 + w % 5,
                               static_cast<int>(0xff102030u), patch.data(), 31, 17,
                               "width " + std::to_string(w) + " direction " + std::to_string(dir) +
                                   " radius " + std::to_string(radius));
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

void expectKernelsAgreeOverTable(Sampling sampling) {
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
                        expectAllAgree(sampling, src, srcW, srcH, 1007.5, 1010.25, 1000.0, R, w, 48,
                                       0x11223344, p.pixels, p.w, p.h,
                                       "direction " + std::to_string(dir) + " covered " +
                                           std::to_string(covered) + " patch " + p.name +
                                           " width " + std::to_string(w));
                        if (::testing::Test::HasFatalFailure()) return;
                    }
}

}  // namespace DewarpTestData
