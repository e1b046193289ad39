#include "V360WipeCenterTitle.h"

#include <algorithm>
#include <mutex>

#include <QImage>

#include "BlendUtil.h"
#include "TransitionResources.h"

V360WipeCenterTitle::V360WipeCenterTitle(int type, int width, int height, void* text)
    : V360BoxTitle(type, width, height),
      output(size_t(boxW) * boxH * 4, 0),
      mask(size_t(boxW) * boxH, 0) {
    if (boxW > 0 && boxH > 0) {
        QImage picture = TransitionResources::loadPicture(":/images/Edit/alphaTransition.png")
                             .scaled(boxW, boxH, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
        BlendUtil::extractSingleChannel(picture.bits(), boxW, boxH, mask.data());
    }
    updateTitleText(fromText(text), 0, 7);
}

void V360WipeCenterTitle::updateTitleText(QString text, COLOR_STYLE textColor, COLOR_STYLE) {
    int r = 255, g = 255, b = 255;
    ColorStyleUtil::queryColorStyle(textColor, &r, &g, &b);
    source = textBitmap(text, titleFont(TransitionResources::titleFontFamily()), QColor(r, g, b));
}

void V360WipeCenterTitle::applyTitleEffect(float e) {
    const int t = static_cast<int>(e * 295 - 20);
    for (size_t i = 0; i < mask.size(); ++i) {
        const uint8_t* s = &source[i * 4];
        uint8_t* o = &output[i * 4];
        const int a = s[3], m = mask[i];
        if (a == 0) {
            std::fill(o, o + 4, 0);
            continue;
        }
        int alpha = a;
        if (m >= t + 20)
            alpha = 0;
        else if (m > t - 20)
            alpha = std::min(static_cast<int>((t + 20 - m) / 40.0 * 255), a);
        std::copy(s, s + 3, o);
        o[3] = static_cast<uint8_t>(alpha);
    }
}

void* V360WipeCenterTitle::getTitleDstBuffer(float e) {
    std::lock_guard<OsalMutex> guard(mutex);
    applyTitleEffect(e);
    return output.data();
}

void V360WipeCenterTitle::composeTransitionFrame(double progress, void*, void*, void* dst) {
    if (!inRange(progress) || !dst) return;
    std::lock_guard<OsalMutex> guard(mutex);
    drawBackground(dst);
    applyTitleEffect(static_cast<float>(effectProgress(progress)));
    blendCopies(dst, output.data(), boxW, boxH, gap, top);
}
