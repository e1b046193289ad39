#pragma once

#include <cstdint>
#include <vector>

#include <QImage>

#include "V360Transitor.h"

// The closing picture: the logo (":/images/Vintaro360_logo.png") over the credit line, three
// times around the panorama; the same frame whatever the progress. Draws without a lock.
//   1. credit picture; 2. logo; 3. end frame; 4. title bitmap (one logo over the credit).
class V360EndTitle : public V360Transitor {
  public:
    V360EndTitle(int type, int width, int height);
    // Copies the end frame into dst for any progress.
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    int getTitleWidth() override { return titleW; }
    int getTitleHeight() override { return titleH; }
    void* getTitleSrcBuffer() override { return title.data(); }
    void* getTitleDstBuffer(float) override { return title.data(); }

    int logoWidth() const { return logoW; }
    int logoHeight() const { return logoH; }
    int logoGap() const { return gapE; }
    int logoTop() const { return topE; }

  private:
    const int textW, logoW, logoH, textH, gapE, topE, titleW, titleH;
    QImage logo, credit;            // ARGB32
    std::vector<uint8_t> endFrame;  // width x height BGRA
    std::vector<uint8_t> title;     // titleW x titleH BGRA
};
