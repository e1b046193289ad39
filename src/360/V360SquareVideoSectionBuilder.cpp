#include "V360SquareVideoSectionBuilder.h"

#include <algorithm>

#include "ImageBufferUtil.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

// The window's first pixel along one side: centred on the fraction, inside the source.
int origin(float fraction, int srcSide, int side) {
    const int centred = static_cast<int>(fraction * srcSide - side / 2);
    return std::min(std::max(0, centred), srcSide - side);
}

}  // namespace

V360SquareVideoSectionBuilder::V360SquareVideoSectionBuilder(int width, int height, QString srcPath,
                                                             float centerX, float centerY,
                                                             double startTime, double endTime)
    : V360VideoSectionBuilder(width, height, std::move(srcPath), QString(), 0, 0, startTime,
                              endTime, QString(), QString(), nullptr, nullptr, QString(), -1, -1,
                              -1),
      fractionX(centerX),
      fractionY(centerY) {
    decodeSide = -1;
}

int V360SquareVideoSectionBuilder::prepare() {
    const int result = V360VideoSectionBuilder::prepare();
    if (result != 0) return result;
    srcWidth = source.sourceWidth();
    srcHeight = source.sourceHeight();
    if (srcWidth < width || srcHeight < height) {
        LogSystem::e("V360SqSB", "source %dx%d smaller than the window %dx%d", srcWidth, srcHeight,
                     width, height);
        return ResultCode::kBadArgument;
    }
    originX = origin(fractionX, srcWidth, width);
    originY = origin(fractionY, srcHeight, height);
    return 0;
}

int V360SquareVideoSectionBuilder::dewarp(int, void* src, void* dst) {
    ImageBufferUtil::crop(src, srcWidth, srcHeight, dst, originX, originY, width, height);
    return 0;
}
