#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QString>

#include "V360Transitor.h"

// Strip wipe with icons: twelve strips, icons travelling across (even strips leftwards, odd
// ones rightwards) uncover the incoming frame under a fading tint. Per strip:
//   1. the reveal mask from the shadow picture and a white uncovered side;
//   2. the work strip = incoming rows, tinted, with the icon on top, alpha = mask;
//   3. the work strip blended over the outgoing rows in dst.
// The outgoing frame is src1, or dst itself when src1 is null; src2 (the incoming frame, black
// when null) may be dst: each strip's rows are read before they are written.
// Composes under the mutex (the strips are shared).
class V360AirPlaneTransitor : public V360Transitor {
  public:
    V360AirPlaneTransitor(int type, int width, int height, int iconSet);
    void composeTransitionFrame(double progress, void* src1, void* src2, void* dst) override;
    int getIconId() const { return iconSet; }
    // Writes the w x h BGRA buffer as the image file path.
    static bool saveRawData(unsigned char* pixels, int w, int h, QString path);

  private:
    // The pictures and work buffers of one travel direction.
    struct Direction {
        int iconWidth = 0;
        QImage icon, shadow;  // iconWidth x stripHeight, ARGB32
        std::vector<uint8_t> work, mask, colour;
    };
    void loadDirection(Direction& d, const char* iconPath, const char* shadowPath);
    void composeStrip(int k, float x, const uint8_t* outgoing, const uint8_t* incoming,
                      uint8_t* dst);

    const int iconSet;
    const int maxTint = 200;
    const float tintKnee = 0.7f;
    int stripHeight;
    Direction right, left;
};
