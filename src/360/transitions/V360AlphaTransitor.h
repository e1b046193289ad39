#pragma once

#include "V360Transitor.h"

// The empty transition: writes nothing.
class V360AlphaTransitor : public V360Transitor {
  public:
    V360AlphaTransitor(int type, int width, int height);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
};
