#pragma once

#include "V360VideoSectionBuilder.h"

// A window of the output's size cut out of each frame of a video, centred on fractions of the
// source's width and height and kept inside the source.
class V360SquareVideoSectionBuilder : public V360VideoSectionBuilder {
  public:
    // centerX, centerY: the window centre as fractions of the source size.
    // startTime, endTime: seconds (-1: whole video).
    V360SquareVideoSectionBuilder(int width, int height, QString srcPath, float centerX,
                                  float centerY, double startTime, double endTime);

    // 0; -4 when the source is smaller than the output; otherwise the video section's code.
    int prepare() override;
    int dewarp(int frameIndex, void* src, void* dst) override;

    int cropX() const { return originX; }
    int cropY() const { return originY; }

  private:
    int srcWidth = 0;
    int srcHeight = 0;
    const float fractionX;
    const float fractionY;
    int originX = 0;
    int originY = 0;
};
