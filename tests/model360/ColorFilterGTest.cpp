#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "ColorFilter.h"

namespace {

TEST(ColorFilter, GammaTables) {
    struct Case {
        double gamma;
        int in, out;
    };
    const Case cases[] = {
        {0.5, 64, 128}, {1.0, 0, 0},      {1.0, 77, 77},  {1.0, 255, 255},
        {-1.0, 3, 3},   {-1.0, 200, 200}, {2.0, 128, 64}, {0.0, 10, 255},
    };
    for (const Case& c : cases) {
        const ColorFilter f(c.gamma);
        EXPECT_EQ(f.red(c.in), c.out) << "gamma " << c.gamma << " level " << c.in;
        EXPECT_EQ(f.green(c.in), c.out);
        EXPECT_EQ(f.blue(c.in), c.out);
    }
    const ColorFilter identity(1.0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(identity.red(i), i);
}

TEST(ColorFilter, ApplyBgrTouchesOnlyItsChannels) {
    // Red gamma 2 darkens byte 2; bytes 0 and 1 (gamma 1) and alpha stay.
    const ColorFilter f(2.0, 1.0, 1.0);
    std::vector<uint32_t> px(6, 0x8080a060u);
    f.applyBGR(px.data(), 3, 2);
    for (uint32_t p : px) EXPECT_EQ(p, 0x8040a060u) << std::hex << p;

    // The RGBA order puts red in byte 0.
    std::vector<uint32_t> rgba(2, 0x80c0a080u);
    f.apply(rgba.data(), 2, 1);
    EXPECT_EQ(rgba[0], 0x80c0a040u) << std::hex << rgba[0];

    std::vector<uint32_t> untouched(2, 0x80c0a080u);
    f.applyBGR(untouched.data(), 0, 5);
    f.applyBGR(untouched.data(), -2, -1);
    EXPECT_EQ(untouched[0], 0x80c0a080u);
}

TEST(ColorFilter, SetGammasAndCalculateGamma) {
    ColorFilter f(1.0);
    f.setGammas(1.0, 1.0, ColorFilter::calculateGamma(64, 128));
    EXPECT_EQ(f.blue(64), 128);
    EXPECT_EQ(f.red(64), 64);
    EXPECT_NEAR(ColorFilter::calculateGamma(64, 128), 0.5, 0.01);
}

}  // namespace
