#include "View360Thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "Dewarp360.h"
#include "ViewAngleThumbnail.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

void freeBuffer(void* buffer) { std::free(buffer); }

}  // namespace

bool View360Thumbnail::isValidRequest(int width, int height, int viewAngle) {
    return viewAngle > 0 && viewAngle <= 360 && width > 0 && height > 0 &&
           width <= kDewarpMaxSide && height <= kDewarpMaxSide;
}

int View360Thumbnail::equirectWidth(int width, int viewAngle) { return width * 360 / viewAngle; }

QImage View360Thumbnail::newBlackImage(int w, int h) {
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    auto* pixels = static_cast<uint32_t*>(std::malloc(count * 4));
    if (!pixels) return QImage();
    std::fill(pixels, pixels + count, kOpaqueBlack);
    return QImage(reinterpret_cast<uchar*>(pixels), w, h, w * 4, QImage::Format_ARGB32, freeBuffer,
                  pixels);
}

QImage View360Thumbnail::fromFisheye(const void* src, int w, int h, const double rot[3][3],
                                     int width, int height, int viewAngle) {
    const int weq = equirectWidth(width, viewAngle), heq = weq / 2;
    // Filled first: the dewarp writes nothing while the lens is unset.
    QImage equirect = newBlackImage(weq, heq);
    if (equirect.isNull()) return QImage();
    const double radius = std::min(w, h) / 2.0;
    dewarp(src, equirect.bits(), w, h, w / 2.0, h / 2.0, radius * 14 / 15, &rot[0][0], weq, heq,
           static_cast<int>(kOpaqueBlack));
    return fromEquirect(equirect.constBits(), weq, heq, width, height, viewAngle);
}

QImage View360Thumbnail::fromEquirect(const void* src, int w, int h, int width, int height,
                                      int viewAngle) {
    QImage out = newBlackImage(width, height);
    if (!out.isNull()) generateViewAngleThumbnail(src, out.bits(), w, h, viewAngle, width, height);
    return out;
}
