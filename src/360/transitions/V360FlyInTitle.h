#pragma once

#include <vector>

#include "CharacterBuffer.h"
#include "V360BoxTitle.h"

// Characters fly in from all sides to their places in the title box and stand still once the
// effect ends. Up to two lines (split at "\n"). Draws without a lock (reads only its cells).
class V360FlyInTitle : public V360BoxTitle {
  public:
    // text: zero-terminated 8-bit (UTF-8) string, null counts as empty.
    V360FlyInTitle(int type, int width, int height, void* text);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    void releaseResource();
    void updateTitleText(QString text);

    const std::vector<CharacterBuffer>& line(int i) const { return i == 0 ? line1 : line2; }

  private:
    std::vector<CharacterBuffer> buildLine(const QString& text);
    void placeLine(std::vector<CharacterBuffer>& cells, int y);

    std::vector<CharacterBuffer> line1, line2;
    float runningAngle = 0.0f;  // degrees
};
