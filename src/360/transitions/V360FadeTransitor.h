#pragma once

#include <cstdint>

#include "V360Transitor.h"

// Cross-fade: dst = int(src1 x (1 - p) + src2 x p) per colour byte, alpha 255. No lock.
class V360FadeTransitor : public V360Transitor {
  public:
    V360FadeTransitor(int type, int width, int height);
    // Nothing is written when src2 (or src1 or dst) is null.
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    // The row formula over pixels BGRA pixels; the reference of every variant.
    static void fadeRow_C(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                          double progress);
    // The same bytes by the fastest variant for this CPU (AVX2 double lanes where it has them).
    static void fadeRow(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                        double progress);
};
