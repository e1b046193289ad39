// Kernel equivalence and the fade formula with the edge fade on (switched on for the whole
// process before any test runs).
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "DewarpTestData.h"

namespace {

constexpr int kFadeColour = static_cast<int>(0x80402010u);

struct FadeOn {
    FadeOn() { setDewarpBoundFadeColor(kFadeColour); }
} fadeOn;

using DewarpTestData::Sampling;
using DewarpKernelsFade = DewarpTestData::SimdKernelTest;
using DewarpCodeKernelsFade = DewarpTestData::SimdKernelTest;

TEST_P(DewarpKernelsFade, AgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67);
}

TEST_P(DewarpKernelsFade, AgreeByteForByteOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam());
}

TEST_P(DewarpKernelsFade, BilinearAgreeByteForByteOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67, Sampling::Bilinear);
}

TEST_P(DewarpKernelsFade, BilinearAgreeByteForByteOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam(), Sampling::Bilinear);
}

INSTANTIATE_TEST_SUITE_P(Simd, DewarpKernelsFade,
                         testing::Values(DewarpKernelKind::SSE2, DewarpKernelKind::AVX2),
                         DewarpTestData::kindParamName);

// Fade-band pixels carry the fade code in every code kernel.
TEST_P(DewarpCodeKernelsFade, AgreeOverWidthsFromOne) {
    DewarpTestData::expectKernelsAgreeOverWidths(GetParam(), 67, Sampling::Codes);
}

TEST_P(DewarpCodeKernelsFade, AgreeOverTable) {
    DewarpTestData::expectKernelsAgreeOverTable(GetParam(), Sampling::Codes);
}

INSTANTIATE_TEST_SUITE_P(Simd, DewarpCodeKernelsFade, testing::Values(DewarpKernelKind::AVX2),
                         DewarpTestData::kindParamName);

TEST(DewarpKernelsFade, RepeatedGeometriesGiveTheKernelsBytes) {
    DewarpTestData::expectRepeatedGeometriesMatchTheKernel();
}

// A context whose lens edge and band top sit exactly on arcsine table entries, so a row
// with z' = table step k lands exactly on them.
struct BandFixture {
    DewarpContext ctx;
    uint32_t pixel = 0xffeeddccu;
    static constexpr int kEdgeStep = 1000, kTopStep = 1400;

    BandFixture() {
        setCameraParameters(FRONT_DIRECTION_NORMAL, 180);
        EXPECT_TRUE(makeDewarpContext(&ctx, &pixel, 1, 1, 0, 0, 0.25, 0, nullptr, 0, 0, 1, 1));
        ctx.edge = ctx.asinTable[kEdgeStep];
        ctx.fadeEnd = ctx.asinTable[kTopStep];
    }

    // The pixel seen at elevation step k (x' = y' = 0 maps to the one source pixel).
    uint32_t at(int k) const {
        DewarpRow row{};
        row.z[2] = static_cast<float>(k) / 4096.0f;
        return dewarpPixel(ctx, row, 0.0f, 1.0f);
    }
};

TEST(DewarpKernelsFade, FadeFormulaAtBandEdges) {
    BandFixture f;
    EXPECT_EQ(f.at(BandFixture::kEdgeStep), static_cast<uint32_t>(kFadeColour));
    EXPECT_EQ(f.at(BandFixture::kTopStep), f.pixel);
    EXPECT_EQ(f.at(BandFixture::kTopStep + 50), f.pixel);

    // Inside the band: (int)(fade x (1 - w) + pixel x w) per byte, w = sin((e - N)/0.1 x pi/2).
    for (int k : {BandFixture::kEdgeStep + 1, 1200, BandFixture::kTopStep - 1}) {
        const float e = f.ctx.asinTable[k];
        const float w = std::sin(((e - f.ctx.edge) / 0.1f) * 1.5707964f);
        const uint32_t got = f.at(k);
        for (int b = 0; b < 4; ++b) {
            const int fade = (static_cast<uint32_t>(kFadeColour) >> (8 * b)) & 255;
            const int pix = (f.pixel >> (8 * b)) & 255;
            const int expected = static_cast<int>(fade * (1.0f - w) + pix * w);
            EXPECT_EQ(static_cast<int>((got >> (8 * b)) & 255), expected) << "step " << k;
        }
    }
    // Below the edge the lens sees nothing: bg, no fade.
    EXPECT_EQ(f.at(BandFixture::kEdgeStep - 1), 0u);
}

TEST(DewarpKernelsFade, LensEdgeReachesTheFadeColour) {
    // Covered 210 draws down to 15 degrees below the equator; the lowest drawn row of a fine
    // grid lies within a hair of the edge, so it shows the fade colour to within 2 levels.
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const auto src = DewarpTestData::randomImage(301, 301, 5);
    double R[9];
    DewarpTestData::identityRotation(R);
    const int W = 8, H = 7200;
    const auto out = DewarpTestData::runKernel(dewarpWithRotatedSrc_C, src, 301, 301, 150, 150, 140,
                                               R, W, H, 0, nullptr, 0, 0);
    int last = H - 1;
    while (last > 0 && out[static_cast<size_t>(last) * W] == 0) --last;
    EXPECT_NEAR(last, 105 * H / 180, 3);
    for (int b = 0; b < 4; ++b) {
        const int got = (out[static_cast<size_t>(last) * W] >> (8 * b)) & 255;
        const int fade = (static_cast<uint32_t>(kFadeColour) >> (8 * b)) & 255;
        EXPECT_NEAR(got, fade, 2) << "byte " << b;
    }
}

}  // namespace
