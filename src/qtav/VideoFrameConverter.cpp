// Conversion of a frame, in order:
// 1. reject invalid input; hand back a source already packed in the target format;
// 2. take (or re-make, for another target format) the media layer's converter;
// 3. convert into a packed frame and share it as a VideoFrame.
#include "VideoFrameConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include "FFMpegFrameConverter.h"
#include "FFMpegHandles.h"

namespace QtAV {

namespace {

bool isPacked(const AVFrame* frame) {
    int packed[4] = {0, 0, 0, 0};
    if (av_image_fill_linesizes(packed, static_cast<AVPixelFormat>(frame->format), frame->width) <
        0)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (packed[i] != 0 && packed[i] != frame->linesize[i]) return false;
    }
    return true;
}

}  // namespace

struct VideoFrameConverter::Cache {
    std::unique_ptr<FFMpegFrameConverter> converter;  // for the last target format
};

VideoFrameConverter::VideoFrameConverter() : cache(new Cache) {}

VideoFrameConverter::~VideoFrameConverter() = default;

VideoFrame VideoFrameConverter::convert(const VideoFrame& frame,
                                        VideoFormat::PixelFormat format) const {
    return convert(frame, VideoFormat(format));
}

VideoFrame VideoFrameConverter::convert(const VideoFrame& frame, const VideoFormat& format) const {
    const AVFrame* src = frame.avFrame();
    if (!src || !format.isValid()) return VideoFrame();
    const AVPixelFormat dstFormat = static_cast<AVPixelFormat>(format.pixelFormatFFmpeg());
    if (src->format == dstFormat && isPacked(src)) return frame;
    if (!cache->converter || cache->converter->dstFormat() != dstFormat)
        cache->converter = std::make_unique<FFMpegFrameConverter>(dstFormat, SWS_BILINEAR);
    ffh::FramePtr dst(cache->converter->convert(src, src->width, src->height));
    if (!dst) return VideoFrame();
    return VideoFrame::fromAVFrame(dst.get(), frame.timestamp());
}

}  // namespace QtAV
