#include "TitleSampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

void splitFixed(int pos, int size, int& index, int& next, uint32_t& frac) {
    index = pos < 65536 ? 0 : std::min(pos >> 16, size - 1);
    frac = pos < 0 ? 0 : static_cast<uint32_t>(pos & 0xFFFF);
    next = std::min(index + 1, size - 1);
}

}  // namespace

void GetPixelColorBilinear_C(const uint8_t* pixels, int w, int h, int fx, int fy, uint8_t* out) {
    int x0, x1, y0, y1;
    uint32_t ax, ay;
    splitFixed(fx, w, x0, x1, ax);
    splitFixed(fy, h, y0, y1, ay);
    const uint8_t* p00 = pixels + (size_t(y0) * w + x0) * 4;
    const uint8_t* p10 = pixels + (size_t(y0) * w + x1) * 4;
    const uint8_t* p01 = pixels + (size_t(y1) * w + x0) * 4;
    const uint8_t* p11 = pixels + (size_t(y1) * w + x1) * 4;
    const uint64_t w00 = uint64_t(65536 - ax) * (65536 - ay), w10 = uint64_t(ax) * (65536 - ay);
    const uint64_t w01 = uint64_t(65536 - ax) * ay, w11 = uint64_t(ax) * ay;
    for (int c = 0; c < 4; ++c)
        out[c] =
            static_cast<uint8_t>((p00[c] * w00 + p10[c] * w10 + p01[c] * w01 + p11[c] * w11) >> 32);
}

uint32_t getColor(const uint8_t* pixels, int w, int h, int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h) return 0;
    uint32_t v;
    std::memcpy(&v, pixels + (size_t(y) * w + x) * 4, 4);
    return v;
}

uint32_t bilinearPixel(const uint8_t* pixels, int w, int h, float x, float y,
                       uint32_t defaultColor) {
    if (x < -1 || y < -1 || x > w || y > h) return defaultColor;
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const float fx = x - ix, fy = y - iy;
    const uint32_t c[4] = {getColor(pixels, w, h, ix, iy), getColor(pixels, w, h, ix + 1, iy),
                           getColor(pixels, w, h, ix, iy + 1),
                           getColor(pixels, w, h, ix + 1, iy + 1)};
    const float weight[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    uint32_t result = 0;
    for (int b = 0; b < 4; ++b) {
        float sum = 0;
        for (int i = 0; i < 4; ++i) sum += ((c[i] >> (8 * b)) & 0xFF) * weight[i];
        result |= uint32_t(std::min(255, static_cast<int>(sum))) << (8 * b);
    }
    return result;
}
