#pragma once

#include "OsalMutex.h"

// One frame of a transition or title between two equirectangular BGRA frames (width x height,
// rows packed) for a progress in [0, 1]. Type codes: 2 fly-in, 3 wipe-centre, 4 zoom,
// 7 air-plane, 8 fade, 9 peeling lines, 11 end.
class V360Transitor {
  public:
    V360Transitor(int type, int width, int height);
    virtual ~V360Transitor();
    V360Transitor(const V360Transitor&) = delete;
    V360Transitor& operator=(const V360Transitor&) = delete;

    virtual int getTitleWidth();
    virtual int getTitleHeight();
    virtual void* getTitleSrcBuffer();
    virtual void* getTitleDstBuffer(float progress);
    // Draws into dst; does nothing for a progress outside [0, 1] unless the subclass says so.
    virtual void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) = 0;

    int getType() const { return type; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

  protected:
    static bool inRange(double progress) { return progress >= 0.0 && progress <= 1.0; }

    const int type;
    const int width, height;
    // Held while composing by the transitors whose work buffers are shared.
    OsalMutex mutex;
};
