// Blending and filling of pixel rectangles:
//   1. clip the rectangle against the target once (skipping the source rows and columns that
//      fall left of or above it);
//   2. run the row kernel over each clipped row.
#include "BlendUtil.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "BlendKernels.h"

namespace {

// The part of a w x h rectangle at (x, y) that lies inside a width x height target.
struct ClipRect {
    int dstX, dstY;  // first target pixel written
    int srcX, srcY;  // matching pixel of the rectangle
    int w, h;        // extent; both > 0 when anything is written
};

bool clipRect(int width, int height, int x, int y, int w, int h, ClipRect& out) {
    if (width <= 0 || height <= 0 || w <= 0 || h <= 0) return false;
    const long long left = std::max<long long>(x, 0);
    const long long top = std::max<long long>(y, 0);
    const long long right = std::min<long long>(static_cast<long long>(x) + w, width);
    const long long bottom = std::min<long long>(static_cast<long long>(y) + h, height);
    if (left >= right || top >= bottom) return false;
    out.dstX = static_cast<int>(left);
    out.dstY = static_cast<int>(top);
    out.srcX = static_cast<int>(left - x);
    out.srcY = static_cast<int>(top - y);
    out.w = static_cast<int>(right - left);
    out.h = static_cast<int>(bottom - top);
    return true;
}

size_t pixelCount(int width, int height) {
    return width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
}

uint8_t* pixelAt(void* buffer, int width, int x, int y) {
    return static_cast<uint8_t*>(buffer) + (static_cast<size_t>(y) * width + x) * 4;
}

}  // namespace

void BlendUtil::extractSingleChannel(void* src, int width, int height, void* plane) {
    const uint8_t* s = static_cast<const uint8_t*>(src);
    uint8_t* p = static_cast<uint8_t*>(plane);
    const size_t n = pixelCount(width, height);
    for (size_t i = 0; i < n; ++i) p[i] = s[i * 4];
}

void BlendUtil::setAlphaLayer(void* buffer, int width, int height, void* plane) {
    uint8_t* b = static_cast<uint8_t*>(buffer);
    const uint8_t* p = static_cast<const uint8_t*>(plane);
    const size_t n = pixelCount(width, height);
    for (size_t i = 0; i < n; ++i) b[i * 4 + 3] = p[i];
}

void BlendUtil::setAlpha(void* buffer, int width, int height, unsigned char alpha) {
    uint8_t* b = static_cast<uint8_t*>(buffer);
    const size_t n = pixelCount(width, height);
    for (size_t i = 0; i < n; ++i) b[i * 4 + 3] = alpha;
}

void BlendUtil::fillColor(void* buffer, int width, int height, int b0, int b1, int b2, int x, int y,
                          int w, int h) {
    ClipRect c;
    if (!clipRect(width, height, x, y, w, h, c)) return;
    const uint8_t pixel[4] = {static_cast<uint8_t>(b0), static_cast<uint8_t>(b1),
                              static_cast<uint8_t>(b2), 255};
    uint32_t word;
    std::memcpy(&word, pixel, 4);
    for (int row = 0; row < c.h; ++row) {
        uint32_t* d = reinterpret_cast<uint32_t*>(pixelAt(buffer, width, c.dstX, c.dstY + row));
        std::fill(d, d + c.w, word);
    }
}

void BlendUtil::blendPiP(void* dst, int dstW, int dstH, void* src, int x, int y, int srcW, int srcH,
                         bool keepSrcAlpha) {
    ClipRect c;
    if (!dst || !src || !clipRect(dstW, dstH, x, y, srcW, srcH, c)) return;
    const BlendRowKernel blendRow = blendRowKernel();
    for (int row = 0; row < c.h; ++row)
        blendRow(pixelAt(dst, dstW, c.dstX, c.dstY + row), pixelAt(src, srcW, c.srcX, c.srcY + row),
                 c.w, keepSrcAlpha);
}
