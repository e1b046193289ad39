#include "FisheyeFixtures.h"

#include <QByteArray>

namespace FisheyeFixtures {

std::vector<uint32_t> codedPixels() {
    std::vector<uint32_t> pixels(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            pixels[y * kSize + x] = 0xFF0000FFu | (uint32_t(x) << 16) | (uint32_t(y) << 8);
    return pixels;
}

std::vector<uint32_t> uniformPixels(uint32_t argb) {
    return std::vector<uint32_t>(kSize * kSize, argb);
}

QtAV::VideoFrame frameOf(const std::vector<uint32_t>& pixels, int width, int height) {
    const QByteArray bytes(reinterpret_cast<const char*>(pixels.data()),
                           int(pixels.size() * sizeof(uint32_t)));
    return QtAV::VideoFrame(width, height, QtAV::VideoFormat::Format_BGRA32, bytes);
}

bool isCoded(uint32_t argb) { return (argb & 0xFF0000FFu) == 0xFF0000FFu; }
double codedX(uint32_t argb) { return (argb >> 16) & 0xFF; }
double codedY(uint32_t argb) { return (argb >> 8) & 0xFF; }

}  // namespace FisheyeFixtures
