#include "ImageBufferUtil.h"

#include <cstring>

bool ImageBufferUtil::crop(void* src, int srcWidth, int srcHeight, void* dst, int x, int y,
                           int width, int height) {
    if (!src || !dst || x < 0 || y < 0 || width <= 0 || height <= 0) return false;
    if (x + width > srcWidth || y + height > srcHeight) return false;
    const size_t srcStride = static_cast<size_t>(srcWidth) * 4;
    const size_t row = static_cast<size_t>(width) * 4;
    const auto* in = static_cast<const uint8_t*>(src) + y * srcStride + static_cast<size_t>(x) * 4;
    auto* out = static_cast<uint8_t*>(dst);
    for (int r = 0; r < height; ++r) std::memcpy(out + r * row, in + r * srcStride, row);
    return true;
}

namespace {

template <typename Pixel>
void gather(const int32_t* table, size_t count, const Pixel* in, Pixel* out, Pixel fill) {
    for (size_t k = 0; k < count; ++k) {
        const int32_t index = table[k];
        out[k] = index < 0 ? fill : in[index];
    }
}

}  // namespace

void ImageBufferUtil::remap(const int32_t* table, size_t count, const void* src, void* dst) {
    gather(table, count, static_cast<const uint32_t*>(src), static_cast<uint32_t*>(dst), 0u);
}

void ImageBufferUtil::remapBytes(const int32_t* table, size_t count, const uint8_t* src,
                                 uint8_t* dst, uint8_t fill) {
    gather(table, count, src, dst, fill);
}
