#include "V360AirPlaneTransitor.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "BlendUtil.h"
#include "TransitionResources.h"

V360AirPlaneTransitor::V360AirPlaneTransitor(int type, int width, int height, int iconSet)
    : V360Transitor(type, width, height),
      iconSet(iconSet),
      stripHeight(static_cast<int>(this->height / 12.0)) {
    if (iconSet) {
        loadDirection(right, ":/images/transition/hikingRight.png",
                      ":/images/transition/hikingShadowRight.png");
        loadDirection(left, ":/images/transition/hikingLeft.png",
                      ":/images/transition/hikingShadowLeft.png");
    } else {
        loadDirection(right, ":/images/transition/bikingRight.png",
                      ":/images/transition/bikingShadowRight.png");
        loadDirection(left, ":/images/transition/bikingLeft.png",
                      ":/images/transition/bikingShadowLeft.png");
    }
}

void V360AirPlaneTransitor::loadDirection(Direction& d, const char* iconPath,
                                          const char* shadowPath) {
    const QImage icon = TransitionResources::loadPicture(iconPath);
    d.iconWidth = stripHeight * icon.width() / icon.height();
    const auto scaled = [&](const QImage& picture) {
        if (d.iconWidth <= 0 || stripHeight <= 0) return QImage();
        return picture
            .scaled(d.iconWidth, stripHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .convertToFormat(QImage::Format_ARGB32);
    };
    d.icon = scaled(icon);
    d.shadow = scaled(TransitionResources::loadPicture(shadowPath));
    const size_t pixels = size_t(width) * stripHeight;
    d.work.assign(pixels * 4, 0);
    d.mask.assign(pixels, 0);
    d.colour.assign(pixels * 4, 0);
}

void V360AirPlaneTransitor::composeTransitionFrame(double progress, void* src1, void* src2,
                                                   void* dst) {
    if (!inRange(progress) || !dst || stripHeight <= 0) return;
    std::lock_guard<OsalMutex> guard(mutex);
    const float x = std::pow(static_cast<float>(progress), 2.8f);
    for (int k = 0; k < 12; ++k)
        composeStrip(k, x, static_cast<const uint8_t*>(src1), static_cast<const uint8_t*>(src2),
                     static_cast<uint8_t*>(dst));
}

void V360AirPlaneTransitor::composeStrip(int k, float x, const uint8_t* outgoing,
                                         const uint8_t* incoming, uint8_t* dst) {
    const bool even = k % 2 == 0;
    Direction& d = even ? right : left;
    const int pair = k / 2;
    const int r = (even ? 217 : 198) - 38 * pair, g = (even ? 247 : 243) - 8 * pair, b = 254;
    const int span = d.iconWidth + width;
    const int n = even ? static_cast<int>(span * (1 - x) - d.iconWidth)
                       : static_cast<int>(span * x - d.iconWidth);
    const size_t offset = size_t(k) * stripHeight * width * 4;
    const size_t bytes = d.work.size();

    std::memset(d.work.data(), 0, bytes);
    BlendUtil::blendPiP(d.work.data(), width, stripHeight, d.shadow.bits(), n, 0, d.iconWidth,
                        stripHeight, true);
    if (even)
        BlendUtil::fillColor(d.work.data(), width, stripHeight, 255, 255, 255, n + d.iconWidth - 1,
                             0, width - d.iconWidth - n + 2, stripHeight);
    else
        BlendUtil::fillColor(d.work.data(), width, stripHeight, 255, 255, 255, 0, 0, n,
                             stripHeight);
    BlendUtil::extractSingleChannel(d.work.data(), width, stripHeight, d.mask.data());

    if (incoming)
        std::memcpy(d.work.data(), incoming + offset, bytes);
    else
        BlendUtil::fillColor(d.work.data(), width, stripHeight, 0, 0, 0, 0, 0, width, stripHeight);
    const int tint = x < tintKnee ? maxTint : static_cast<int>((1 - x) * maxTint / 0.3);
    BlendUtil::fillColor(d.colour.data(), width, stripHeight, b, g, r, 0, 0, width, stripHeight);
    BlendUtil::setAlpha(d.colour.data(), width, stripHeight, static_cast<unsigned char>(tint));
    BlendUtil::blendPiP(d.work.data(), width, stripHeight, d.colour.data(), 0, 0, width,
                        stripHeight, false);
    BlendUtil::blendPiP(d.work.data(), width, stripHeight, d.icon.bits(), n, 0, d.iconWidth,
                        stripHeight, false);
    BlendUtil::setAlphaLayer(d.work.data(), width, stripHeight, d.mask.data());

    if (outgoing && outgoing != dst) std::memcpy(dst + offset, outgoing + offset, bytes);
    BlendUtil::blendPiP(dst, width, height, d.work.data(), 0, k * stripHeight, width, stripHeight,
                        false);
}

bool V360AirPlaneTransitor::saveRawData(unsigned char* pixels, int w, int h, QString path) {
    if (!pixels || w <= 0 || h <= 0) return false;
    return QImage(pixels, w, h, QImage::Format_ARGB32).save(path);
}
