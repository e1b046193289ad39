// Pixel-buffer blending: the exact integer blend, clipping with guard bytes around the target,
// and the SIMD row kernel against the C one over every byte and alpha.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "BlendKernels.h"
#include "BlendUtil.h"

namespace {

uint32_t bgra(int b, int g, int r, int a) {
    return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}

// A width x height target with guard pixels before and after it.
class GuardedTarget {
  public:
    static constexpr int kGuard = 64;
    static constexpr uint32_t kGuardWord = 0xA5A5A5A5u;

    GuardedTarget(int width, int height, uint32_t fill)
        : width_(width), words_(size_t(width) * height + 2 * kGuard, kGuardWord) {
        std::fill(words_.begin() + kGuard, words_.end() - kGuard, fill);
    }
    uint32_t* pixels() { return words_.data() + kGuard; }
    uint32_t at(int x, int y) const { return words_[kGuard + size_t(y) * width_ + x]; }
    bool guardsIntact() const {
        for (int i = 0; i < kGuard; ++i)
            if (words_[i] != kGuardWord || words_[words_.size() - 1 - i] != kGuardWord)
                return false;
        return true;
    }

  private:
    int width_;
    std::vector<uint32_t> words_;
};

struct ColourCase {
    int s, d, a;
    bool keep;
    int colour, alpha;
};

TEST(BlendUtil, BlendsOnePixelWithTruncatedQuotient) {
    const ColourCase cases[] = {
        {200, 100, 128, false, 150, 255},  // 38300 / 255 = 150.2
        {10, 250, 200, true, 61, 200},     // 61.76 truncated, not rounded
        {255, 0, 1, true, 1, 1},          {0, 255, 254, false, 1, 255},  // 255 / 255
        {77, 99, 0, false, 99, 255},  // transparent: colour kept, alpha forced
        {77, 99, 0, true, 99, 0},         {77, 99, 255, true, 77, 255},
    };
    for (const ColourCase& c : cases) {
        uint32_t dst = bgra(c.d, c.d, c.d, 33);
        uint32_t src = bgra(c.s, c.s, c.s, c.a);
        BlendUtil::blendPiP(&dst, 1, 1, &src, 0, 0, 1, 1, c.keep);
        EXPECT_EQ(dst, bgra(c.colour, c.colour, c.colour, c.alpha))
            << c.s << " over " << c.d << " at alpha " << c.a;
    }
}

struct PlaceCase {
    int x, y, w, h;
};

// An opaque source whose pixels carry their own coordinates lands shifted by (x, y), clipped;
// everything else, guards included, stays as it was.
TEST(BlendUtil, PlacesAndClipsTheSource) {
    constexpr int kW = 12, kH = 9;
    constexpr uint32_t kBackground = 0x11223344u;
    const PlaceCase cases[] = {
        {2, 3, 4, 2},  {-10, 1, 14, 3}, {1, -10, 3, 12}, {-3, -2, 20, 20},
        {9, 7, 8, 8},  {kW, 0, 4, 4},   {0, kH, 4, 4},   {-4, 0, 4, 4},
        {0, -4, 4, 4}, {2, 2, 0, 5},    {2, 2, 5, 0},    {2, 2, -3, 5},
    };
    for (const PlaceCase& c : cases) {
        std::vector<uint32_t> src(size_t(std::max(c.w, 0)) * std::max(c.h, 0) + 1);
        for (int j = 0; j < c.h; ++j)
            for (int i = 0; i < c.w; ++i) src[size_t(j) * c.w + i] = bgra(i, j, 7, 255);
        GuardedTarget target(kW, kH, kBackground);
        BlendUtil::blendPiP(target.pixels(), kW, kH, src.data(), c.x, c.y, c.w, c.h, false);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                const int i = x - c.x, j = y - c.y;
                const bool covered = i >= 0 && i < c.w && j >= 0 && j < c.h;
                EXPECT_EQ(target.at(x, y), covered ? bgra(i, j, 7, 255) : kBackground)
                    << "case " << c.x << "," << c.y << " " << c.w << "x" << c.h << " at " << x
                    << "," << y;
            }
        }
        EXPECT_TRUE(target.guardsIntact());
    }
}

TEST(BlendUtil, FillColorClipsLikeTheBlend) {
    constexpr int kW = 10, kH = 6;
    const PlaceCase cases[] = {{-2, -1, 5, 3}, {8, 4, 9, 9}, {3, 2, 0, 2}, {20, 0, 3, 3}};
    for (const PlaceCase& c : cases) {
        GuardedTarget target(kW, kH, 0);
        BlendUtil::fillColor(target.pixels(), kW, kH, 1, 2, 3, c.x, c.y, c.w, c.h);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool covered = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                EXPECT_EQ(target.at(x, y), covered ? bgra(1, 2, 3, 255) : 0u);
            }
        EXPECT_TRUE(target.guardsIntact());
    }
}

TEST(BlendUtil, ChannelAndAlphaPlanes) {
    uint32_t pixels[3] = {bgra(10, 1, 2, 3), bgra(20, 4, 5, 6), bgra(30, 7, 8, 9)};
    uint8_t plane[3];
    BlendUtil::extractSingleChannel(pixels, 3, 1, plane);
    EXPECT_EQ(plane[0], 10);
    EXPECT_EQ(plane[2], 30);
    const uint8_t alphas[3] = {100, 150, 200};
    BlendUtil::setAlphaLayer(pixels, 3, 1, const_cast<uint8_t*>(alphas));
    EXPECT_EQ(pixels[1], bgra(20, 4, 5, 150));
    BlendUtil::setAlpha(pixels, 3, 1, 42);
    EXPECT_EQ(pixels[2], bgra(30, 7, 8, 42));
}

#if defined(__x86_64__)
struct KernelCase {
    const char* name;
    BlendRowKernel kernel;
    bool supported;
};

std::vector<KernelCase> simdKernels() {
    return {{"SSE2", blendRow_SSE2, true},
            {"AVX2", blendRow_AVX2, bool(__builtin_cpu_supports("avx2"))}};
}

// Every (source byte, target byte, alpha) triple, both alpha modes.
TEST(BlendKernels, SimdMatchesCOverEveryByteAndAlpha) {
    std::vector<uint8_t> src(256 * 4), target(256 * 4);
    for (const KernelCase& k : simdKernels()) {
        if (!k.supported) continue;
        for (bool keep : {false, true}) {
            for (int a = 0; a < 256; ++a) {
                for (int s = 0; s < 256; ++s) {
                    for (int d = 0; d < 256; ++d) {
                        const uint8_t px[4] = {uint8_t(s), uint8_t(255 - s), uint8_t(s ^ 0x5A),
                                               uint8_t(a)};
                        std::memcpy(&src[d * 4], px, 4);
                        const uint8_t t[4] = {uint8_t(d), uint8_t(d ^ 0x33), uint8_t(255 - d),
                                              uint8_t(d)};
                        std::memcpy(&target[d * 4], t, 4);
                    }
                    std::vector<uint8_t> ref = target, simd = target;
                    blendRow_C(ref.data(), src.data(), 256, keep);
                    k.kernel(simd.data(), src.data(), 256, keep);
                    ASSERT_EQ(ref, simd) << k.name << " alpha " << a << " source " << s;
                }
            }
        }
    }
}

// Widths 1 to 67 (every tail length) at unaligned offsets.
TEST(BlendKernels, SimdMatchesCForEveryWidth) {
    std::mt19937 rng(5);
    for (const KernelCase& k : simdKernels()) {
        if (!k.supported) continue;
        for (int width = 1; width <= 67; ++width) {
            std::vector<uint8_t> src(width * 4 + 3), dst(width * 4 + 3);
            for (auto& b : src) b = uint8_t(rng());
            for (auto& b : dst) b = uint8_t(rng());
            std::vector<uint8_t> ref = dst;
            blendRow_C(ref.data() + 1, src.data() + 3, width, width % 2 == 0);
            k.kernel(dst.data() + 1, src.data() + 3, width, width % 2 == 0);
            ASSERT_EQ(ref, dst) << k.name << " width " << width;
        }
    }
}
#endif

}  // namespace
