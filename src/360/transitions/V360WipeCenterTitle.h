#pragma once

#include <cstdint>
#include <vector>

#include "ColorStyleUtil.h"
#include "V360BoxTitle.h"

// The text revealed through a grey-level mask (":/images/Edit/alphaTransition.png", byte 0):
// pixels whose mask value lies below a threshold rising with e show, with a 40-level soft edge.
// Composes under the mutex (the output bitmap is shared).
class V360WipeCenterTitle : public V360BoxTitle {
  public:
    V360WipeCenterTitle(int type, int width, int height, void* text);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    int getTitleWidth() override { return boxW; }
    int getTitleHeight() override { return boxH; }
    void* getTitleSrcBuffer() override { return source.data(); }
    // Fills the output bitmap for effect progress e and returns it.
    void* getTitleDstBuffer(float e) override;
    void updateTitleText(QString text, COLOR_STYLE textColor, COLOR_STYLE backgroundColor);
    void updateTitleDuration(double seconds) { titleDuration = seconds; }

  private:
    void applyTitleEffect(float e);

    std::vector<uint8_t> source, output;  // box-sized BGRA
    std::vector<uint8_t> mask;            // box-sized 8-bit
};
