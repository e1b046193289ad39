#pragma once

#include <cstddef>
#include <cstdint>

// Copies between raw pixel buffers: 32-bit pixels (rows packed, stride = width x 4), or the
// bytes of one plane. Reentrant.
class ImageBufferUtil {
  public:
    // The width x height window at (x, y) of the srcWidth x srcHeight source into the packed
    // destination. A window not wholly inside the source (or empty) copies nothing: false.
    static bool crop(void* src, int srcWidth, int srcHeight, void* dst, int x, int y, int width,
                     int height);
    // dst[k] = src[table[k]] for k below count, 0 where the entry is negative. Entries must
    // lie inside the source.
    static void remap(const int32_t* table, size_t count, const void* src, void* dst);
    // The same over bytes (one plane of a planar picture), `fill` where the entry is negative.
    static void remapBytes(const int32_t* table, size_t count, const uint8_t* src, uint8_t* dst,
                           uint8_t fill);
};
