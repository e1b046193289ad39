#include "V360FadeTransitor.h"

#include <cstddef>

V360FadeTransitor::V360FadeTransitor(int type, int width, int height)
    : V360Transitor(type, width, height)
{
}

void V360FadeTransitor::fadeRow_C(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                                  double progress)
{
    const double keep = 1.0 - progress;
    for (int i = 0; i < pixels * 4; i += 4) {
        for (int c = 0; c < 3; ++c)
            dst[i + c] = static_cast<uint8_t>(static_cast<int>(a[i + c] * keep + b[i + c] * progress));
        dst[i + 3] = 255;
    }
}

void V360FadeTransitor::composeTransitionFrame(double progress, void* src1, void* src2, void* dst)
{
    if (!inRange(progress) || !src1 || !src2 || !dst)
        return;
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        fadeRow_C(static_cast<uint8_t*>(dst) + y * row, static_cast<const uint8_t*>(src1) + y * row,
                  static_cast<const uint8_t*>(src2) + y * row, width, progress);
}
