#pragma once

#include <shared_mutex>

#include <QList>
#include <QRect>
#include <QString>

#include "BaseStyledText.h"
#include "ColorStyleUtil.h"
#include "DIU_DewarpedImage.h"
#include "List.h"

// Look of a kind-1 overlay: 0 black text on white, any other value white text on black.
typedef int TEXT_360_STYLE;

// A text placed on the sphere at (yaw, pitch), optionally for a time range, that draws itself
// into BGRA frames (rows packed). The text is rendered once per frame height into a styled box,
// projected into the frame (one or two pieces) and blended into each frame drawn.
//
// Thread safety: any number of threads may draw the same overlay into different frames at once;
// rendering (first drawing, new frame height) is serialised against every other drawing by the
// overlay's lock. Call BaseStyledText::registerFonts() on the GUI thread before drawing
// elsewhere. The public fields are set by the creator before the first drawing.
class Text360Info {
  public:
    Text360Info(QString text, TEXT_360_STYLE style);
    Text360Info(QString text, TEXT_360_STYLE style, double start, double end);
    Text360Info(QString text, COLOR_STYLE textColor, COLOR_STYLE backgroundColor);
    Text360Info(QString text, COLOR_STYLE textColor, COLOR_STYLE backgroundColor, double start,
                double end);
    explicit Text360Info(int kind);
    // Copies everything but the pieces.
    explicit Text360Info(const Text360Info* other);
    ~Text360Info();
    Text360Info(const Text360Info&) = delete;
    Text360Info& operator=(const Text360Info&) = delete;

    // Renders the pieces for a W x H frame unless already made for height H.
    void fillTextImage(int W, int H);
    // Renders if needed, then blends the pieces into the frame, keeping their alpha.
    void fillTextImage(void* frame, int W, int H);
    // As above when startTime <= t <= endTime (seconds), else nothing.
    void fillTextImage(void* frame, int W, int H, double t);
    // visible = startTime <= t < endTime; renders if visible.
    void fillTextImageGL(int W, int H, double t);
    // Whether (yaw, pitch) in degrees hits the pieces, with a 10-pixel tolerance.
    bool isImageInPosition(double yaw, double pitch) const;

    // The styled box the overlay renders for a frame of height H.
    BaseStyledText::Box textBox(int H) const;
    bool isVisible() const;
    int renderedWidth() const;
    int renderedHeight() const;
    // Positions and sizes of the current pieces.
    QList<QRect> pieceRects() const;

    int kind;  // 1 styled text, 2 coloured text
    QString text;
    TEXT_360_STYLE style;
    COLOR_STYLE textColor, backgroundColor;  // background 7: none
    double startTime, endTime;               // seconds, -1 when not given
    double yaw, pitch;                       // degrees

  private:
    bool isRenderedFor(int W, int H) const;
    void render(int W, int H);
    void blendPieces(void* frame, int W, int H) const;

    // Guarded by lock_: exclusive while rendering or writing visible, shared while drawing.
    mutable std::shared_mutex lock_;
    List<DIU_DewarpedImage*> pieces_;
    bool visible_;
    int renderedWidth_, renderedHeight_;
};
