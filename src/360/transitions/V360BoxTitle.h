#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QFont>
#include <QString>

#include "V360Transitor.h"

// What the fly-in, wipe-centre and zoom titles share: the title box (960 x 720 at 3840 x 2160)
// drawn three times around the panorama over a darkened background.
class V360BoxTitle : public V360Transitor {
  public:
    V360BoxTitle(int type, int width, int height);
    // Keeps a copy of the w x h BGRA frame, scaled to the frame size when its size differs,
    // with B, G, R x 0.4 and alpha 255. A null frame keeps the black background.
    void setBackground(void* frame, int w, int h);

    int boxWidth() const { return boxW; }
    int boxHeight() const { return boxH; }
    int gapWidth() const { return gap; }
    int topRow() const { return top; }

  protected:
    // e = min(1, p x titleDuration / effectTime).
    double effectProgress(double progress) const;
    void drawBackground(void* dst) const;
    // Blends the w x h bitmap (keeping its alpha) at (x + dx, y + dy) and at the two other
    // copies' places, boxW + 2 gap apart.
    void blendCopies(void* dst, const void* bitmap, int w, int h, int x, int y) const;
    // A zeroed box-sized RGB32 bitmap with text drawn centred: painted pixels get alpha 255.
    std::vector<uint8_t> textBitmap(const QString& text, const QFont& font, QColor pen) const;
    // Point size int(72 H / 2160).
    QFont titleFont(const QString& family) const;
    static QString fromText(const void* text);

    const int boxW, boxH, gap, top;
    double effectTime = 1.0;
    double titleDuration = 3.0;

  private:
    std::vector<uint8_t> background;  // width x height BGRA
};
