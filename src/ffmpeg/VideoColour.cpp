#include "VideoColour.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "FFMpegFrameConverter.h"

namespace {

bool isBt601(int matrix) { return matrix == AVCOL_SPC_SMPTE170M || matrix == AVCOL_SPC_BT470BG; }

}  // namespace

VideoColour VideoColour::bt709() {
    return {AVCOL_SPC_BT709, AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_RANGE_MPEG};
}

VideoColour VideoColour::readAs(int matrix, int primaries, int transfer, int range, int width,
                                int height) {
    if (matrix == AVCOL_SPC_UNSPECIFIED || matrix == AVCOL_SPC_RESERVED)
        matrix = FFMpegFrameConverter::isHighDefinition(width, height) ? AVCOL_SPC_BT709
                                                                       : AVCOL_SPC_SMPTE170M;
    if (primaries == AVCOL_PRI_UNSPECIFIED || primaries == AVCOL_PRI_RESERVED ||
        primaries == AVCOL_PRI_RESERVED0)
        primaries = isBt601(matrix) ? AVCOL_PRI_SMPTE170M : AVCOL_PRI_BT709;
    if (transfer == AVCOL_TRC_UNSPECIFIED || transfer == AVCOL_TRC_RESERVED ||
        transfer == AVCOL_TRC_RESERVED0)
        transfer = isBt601(matrix) ? AVCOL_TRC_SMPTE170M : AVCOL_TRC_BT709;
    if (range != AVCOL_RANGE_JPEG) range = AVCOL_RANGE_MPEG;
    return {matrix, primaries, transfer, range};
}

bool VideoColour::operator==(const VideoColour& other) const {
    return matrix == other.matrix && primaries == other.primaries && transfer == other.transfer &&
           range == other.range;
}
