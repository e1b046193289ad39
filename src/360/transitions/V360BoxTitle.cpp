#include "V360BoxTitle.h"

#include <algorithm>
#include <cstring>

#include <QImage>
#include <QPainter>

#include "BlendUtil.h"

V360BoxTitle::V360BoxTitle(int type, int width, int height)
    : V360Transitor(type, width, height),
      boxW(static_cast<int>(960.0 * this->width / 3840)),
      boxH(static_cast<int>(720.0 * this->height / 2160)),
      gap((this->width - 3 * boxW) / 6),
      top((this->height - boxH) / 2),
      background(size_t(this->width) * this->height * 4, 0) {
    BlendUtil::setAlpha(background.data(), this->width, this->height, 255);
}

void V360BoxTitle::setBackground(void* frame, int w, int h) {
    if (!frame || w <= 0 || h <= 0 || background.empty()) return;
    const uint8_t* src = static_cast<const uint8_t*>(frame);
    QImage scaled;
    if (w != width || h != height) {
        scaled = QImage(src, w, h, QImage::Format_ARGB32)
                     .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32);
        src = scaled.constBits();
    }
    for (size_t i = 0; i < background.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            background[i + c] = static_cast<uint8_t>(static_cast<int>(src[i + c] * 0.4));
        background[i + 3] = 255;
    }
}

double V360BoxTitle::effectProgress(double progress) const {
    return std::min(1.0, progress * titleDuration / effectTime);
}

void V360BoxTitle::drawBackground(void* dst) const {
    std::memcpy(dst, background.data(), background.size());
}

void V360BoxTitle::blendCopies(void* dst, const void* bitmap, int w, int h, int x, int y) const {
    void* src = const_cast<void*>(bitmap);
    for (int copy = 0; copy < 3; ++copy)
        BlendUtil::blendPiP(dst, width, height, src, x + copy * (boxW + 2 * gap), y, w, h, true);
}

std::vector<uint8_t> V360BoxTitle::textBitmap(const QString& text, const QFont& font,
                                              QColor pen) const {
    std::vector<uint8_t> pixels(size_t(boxW) * boxH * 4, 0);
    if (pixels.empty()) return pixels;
    QImage image(pixels.data(), boxW, boxH, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(pen);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return pixels;
}

QFont V360BoxTitle::titleFont(const QString& family) const {
    QFont font = family.isEmpty() ? QFont() : QFont(family);
    font.setPointSize(std::max(1, static_cast<int>(72.0 * height / 2160)));
    return font;
}

QString V360BoxTitle::fromText(const void* text) {
    return text ? QString::fromUtf8(static_cast<const char*>(text)) : QString();
}
