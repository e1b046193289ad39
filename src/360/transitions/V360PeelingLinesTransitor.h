#pragma once

#include <cstdint>
#include <vector>

#include <QImage>

#include "V360Transitor.h"

// Peel through a line mask: the frame is cut into strips 40 columns apart, 44 wide, each
// revealing src2 where the mask (":/images/transition/lineMask.png", byte 0) falls below a
// threshold that rises with the progress and the strip's random offset.
//   1. src2 null: fade src1 to black;
//   2. work frame = src1;
//   3. per strip: the strip of src2 with the mask's alpha, blended into the work frame;
//   4. dst = work frame.
// Composes under the mutex (the strip and work frame are shared).
class V360PeelingLinesTransitor : public V360Transitor {
  public:
    V360PeelingLinesTransitor(int type, int width, int height);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    // Fills the strip buffer for strip i and returns its width (40 for the last, else 44).
    int calculateLineMask(float progress, int strip, void* src2, void* stripBuffer);

  private:
    static constexpr int kStripStep = 40;

    QImage mask;                 // 44 x height, ARGB32
    std::vector<uint8_t> strip;  // 44 x height BGRA
    std::vector<uint8_t> work;   // width x height BGRA
    std::vector<int> offsets;    // stripCount
    int stripCount;
    int stripWidth = 44;
    int maskHeight;
    int minOffset = 0;
};
