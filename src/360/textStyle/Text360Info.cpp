// Text overlay rendering and drawing:
//   1. render the styled box of the text into a transparent image (no widget, any thread);
//   2. project it into a frame of twice the size at (-yaw, pitch), one or two pieces;
//   3. halve each piece to the frame's size;
//   4. per frame, blend the pieces at their positions.
#include "Text360Info.h"

#include <cstring>
#include <mutex>

#include <QImage>

#include "BlendUtil.h"
#include "DewarpImageUtil.h"

namespace {

constexpr COLOR_STYLE kNoBackground = 7;

QColor styleColor(COLOR_STYLE style) {
    int r = 0, g = 0, b = 0;
    ColorStyleUtil::queryColorStyle(style, &r, &g, &b);
    return QColor(r, g, b);
}

// A piece scaled smoothly to half its size (rounded up), its position halved the same way.
DIU_DewarpedImage* halvedPiece(const DIU_DewarpedImage& piece) {
    auto* half = new DIU_DewarpedImage((piece.x + 1) / 2, (piece.y + 1) / 2, (piece.width + 1) / 2,
                                       (piece.height + 1) / 2);
    if (!piece.data || !half->data) return half;
    const QImage full(reinterpret_cast<const uchar*>(piece.data), piece.width, piece.height,
                      piece.width * 4, QImage::Format_ARGB32);
    const QImage scaled =
        full.scaled(half->width, half->height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < half->height; ++row)
        std::memcpy(half->data + static_cast<size_t>(row) * half->width * 4,
                    scaled.constScanLine(row), static_cast<size_t>(half->width) * 4);
    return half;
}

}  // namespace

Text360Info::Text360Info(QString text, TEXT_360_STYLE style) : Text360Info(text, style, -1, -1) {}

Text360Info::Text360Info(QString text, TEXT_360_STYLE style, double start, double end)
    : kind(1),
      text(text),
      style(style),
      textColor(kNoBackground),
      backgroundColor(0),
      startTime(start),
      endTime(end),
      yaw(0),
      pitch(0),
      visible_(false),
      renderedWidth_(0),
      renderedHeight_(0) {}

Text360Info::Text360Info(QString text, COLOR_STYLE textColor, COLOR_STYLE backgroundColor)
    : Text360Info(text, textColor, backgroundColor, -1, -1) {}

Text360Info::Text360Info(QString text, COLOR_STYLE textColor, COLOR_STYLE backgroundColor,
                         double start, double end)
    : kind(2),
      text(text),
      style(0),
      textColor(textColor),
      backgroundColor(backgroundColor),
      startTime(start),
      endTime(end),
      yaw(0),
      pitch(0),
      visible_(false),
      renderedWidth_(0),
      renderedHeight_(0) {}

Text360Info::Text360Info(int kind)
    : kind(kind),
      style(0),
      textColor(kNoBackground),
      backgroundColor(0),
      startTime(-1),
      endTime(-1),
      yaw(0),
      pitch(0),
      visible_(false),
      renderedWidth_(0),
      renderedHeight_(0) {}

Text360Info::Text360Info(const Text360Info* other)
    : kind(other->kind),
      text(other->text),
      style(other->style),
      textColor(other->textColor),
      backgroundColor(other->backgroundColor),
      startTime(other->startTime),
      endTime(other->endTime),
      yaw(other->yaw),
      pitch(other->pitch),
      visible_(false),
      renderedWidth_(0),
      renderedHeight_(0) {}

Text360Info::~Text360Info() { pieces_.deleteAllObjsAndReset(); }

BaseStyledText::Box Text360Info::textBox(int H) const {
    BaseStyledText::Box box(false);
    if (kind == 2) {
        box.textColor = styleColor(textColor);
        box.backgroundColor =
            backgroundColor == kNoBackground ? QColor(0, 0, 0, 0) : styleColor(backgroundColor);
        box.setFontSize(static_cast<int>(2 * 45 * H / 2160.0 * 1.5));
    } else {
        box.textColor = style != 0 ? QColor(255, 255, 255) : QColor(0, 0, 0);
        box.backgroundColor = style != 0 ? QColor(0, 0, 0) : QColor(255, 255, 255);
        box.setFontSize(static_cast<int>(2 * 45 * H / 2160.0));
    }
    box.text = text;
    return box;
}

bool Text360Info::isRenderedFor(int W, int H) const {
    return W <= 0 || H <= 0 || H == renderedHeight_;
}

void Text360Info::render(int W, int H) {
    if (isRenderedFor(W, H)) return;
    renderedWidth_ = W;
    renderedHeight_ = H;
    pieces_.deleteAllObjsAndReset();
    const QImage image = BaseStyledText::renderImage(textBox(H));
    List<DIU_DewarpedImage*> full;
    DewarpImageUtil::dewarp(reinterpret_cast<const char*>(image.constBits()), image.width(),
                            image.height(), 2 * W, 2 * H, static_cast<float>(pitch),
                            static_cast<float>(-yaw), full);
    for (const DIU_DewarpedImage* piece : full) pieces_.append(halvedPiece(*piece));
    full.deleteAllObjsAndReset();
}

void Text360Info::blendPieces(void* frame, int W, int H) const {
    for (const DIU_DewarpedImage* piece : pieces_)
        BlendUtil::blendPiP(frame, W, H, piece->data, piece->x, piece->y, piece->width,
                            piece->height, true);
}

void Text360Info::fillTextImage(int W, int H) {
    std::unique_lock<std::shared_mutex> guard(lock_);
    render(W, H);
}

void Text360Info::fillTextImage(void* frame, int W, int H) {
    {
        std::shared_lock<std::shared_mutex> guard(lock_);
        if (isRenderedFor(W, H)) {
            blendPieces(frame, W, H);
            return;
        }
    }
    std::unique_lock<std::shared_mutex> guard(lock_);
    render(W, H);
    blendPieces(frame, W, H);
}

void Text360Info::fillTextImage(void* frame, int W, int H, double t) {
    if (startTime <= t && t <= endTime) fillTextImage(frame, W, H);
}

void Text360Info::fillTextImageGL(int W, int H, double t) {
    std::unique_lock<std::shared_mutex> guard(lock_);
    visible_ = startTime <= t && t < endTime;
    if (visible_) render(W, H);
}

bool Text360Info::isImageInPosition(double yaw, double pitch) const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    if (pieces_.empty()) return false;
    int x = static_cast<int>(renderedWidth_ * (180 - yaw) / 360);
    int y = static_cast<int>(renderedHeight_ * (90 - pitch) / 180);
    if (x < 0) x += renderedWidth_;
    if (y < 0) y += renderedHeight_;
    const DIU_DewarpedImage& first = *pieces_[0];
    if (pieces_.size() == 1) {
        if (x < first.x - 10 || x > first.x + first.width + 10) return false;
    } else {
        const DIU_DewarpedImage& second = *pieces_[1];
        if (x > first.x + first.width + 10 && x < second.x - 10) return false;
    }
    return y >= first.y - 10 && y <= first.y + first.height + 10;
}

bool Text360Info::isVisible() const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    return visible_;
}

int Text360Info::renderedWidth() const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    return renderedWidth_;
}

int Text360Info::renderedHeight() const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    return renderedHeight_;
}

QList<QRect> Text360Info::pieceRects() const {
    std::shared_lock<std::shared_mutex> guard(lock_);
    QList<QRect> rects;
    for (const DIU_DewarpedImage* piece : pieces_)
        rects.append(QRect(piece->x, piece->y, piece->width, piece->height));
    return rects;
}
