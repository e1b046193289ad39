#include "V360PeelingLinesTransitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "BlendUtil.h"
#include "TransitionResources.h"

V360PeelingLinesTransitor::V360PeelingLinesTransitor(int type, int width, int height)
    : V360Transitor(type, width, height),
      strip(size_t(44) * this->height * 4),
      work(size_t(this->width) * this->height * 4),
      stripCount(this->width / kStripStep),
      maskHeight(this->height) {
    if (this->height > 0)
        mask = TransitionResources::loadPicture(":/images/transition/lineMask.png")
                   .scaled(stripWidth, maskHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                   .convertToFormat(QImage::Format_ARGB32);
    offsets.resize(stripCount);
    for (int i = 0; i < stripCount; ++i) {
        offsets[i] = static_cast<int>(100 * std::sin(i * 3 * M_PI / stripCount + M_PI) +
                                      (std::rand() % 100 - 60));
        minOffset = std::min(minOffset, offsets[i]);
    }
}

int V360PeelingLinesTransitor::calculateLineMask(float progress, int i, void* src2,
                                                 void* stripBuffer) {
    const int threshold =
        std::min(255, static_cast<int>((std::abs(minOffset) + 255) * progress + offsets[i]));
    const int n = i == stripCount - 1 ? kStripStep : stripWidth;
    const uint8_t alpha = static_cast<uint8_t>(static_cast<int>(255 * progress));
    const uint8_t* src = static_cast<const uint8_t*>(src2);
    uint8_t* out = static_cast<uint8_t*>(stripBuffer);
    for (int j = 0; j < maskHeight; ++j) {
        const uint8_t* m = mask.constScanLine(j);
        uint8_t* o = out + size_t(j) * stripWidth * 4;
        const uint8_t* s = src + (size_t(j) * width + size_t(kStripStep) * i) * 4;
        std::memset(o, 0, size_t(stripWidth) * 4);
        for (int k = 0; k < n; ++k) {
            std::memcpy(o + k * 4, s + k * 4, 3);
            o[k * 4 + 3] = m[k * 4] > threshold ? 0 : alpha;
        }
    }
    return n;
}

void V360PeelingLinesTransitor::composeTransitionFrame(double progress, void* src1, void* src2,
                                                       void* dst) {
    if (!inRange(progress) || !src1 || !dst || mask.isNull()) return;
    std::lock_guard<OsalMutex> guard(mutex);
    const size_t bytes = work.size();
    const uint8_t* a = static_cast<const uint8_t*>(src1);
    if (!src2) {
        uint8_t* d = static_cast<uint8_t*>(dst);
        const double keep = 1.0 - progress;
        for (size_t i = 0; i < bytes; i += 4) {
            for (int c = 0; c < 3; ++c)
                d[i + c] = static_cast<uint8_t>(static_cast<int>(a[i + c] * keep));
            d[i + 3] = 255;
        }
        return;
    }
    std::memcpy(work.data(), a, bytes);
    for (int i = 0; i < stripCount; ++i) {
        calculateLineMask(static_cast<float>(progress), i, src2, strip.data());
        BlendUtil::blendPiP(work.data(), width, height, strip.data(), kStripStep * i, 0, stripWidth,
                            maskHeight, false);
    }
    std::memcpy(dst, work.data(), bytes);
}
