#pragma once

#include <cstdint>
#include <vector>

#include "V360BoxTitle.h"

// The text grows from 1/6 to its full size while the effect runs, sampled bilinearly.
// Composes under the mutex (the work bitmap is shared).
class V360ZoomTitle : public V360BoxTitle {
  public:
    V360ZoomTitle(int type, int width, int height, void* text);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    void updateTitleText(QString text);

  private:
    void zoomInto(double scale);

    std::vector<uint8_t> source, work;  // box-sized BGRA
};
