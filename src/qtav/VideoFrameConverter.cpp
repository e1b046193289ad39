// Conversion of a frame, in order:
// 1. reject invalid input; hand back a source already packed in the target format;
// 2. take (or re-make) the cached scaler and buffer pool for this size and formats;
// 3. scale into a packed frame from the pool and share it as a VideoFrame.
#include "VideoFrameConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include "FFMpegFrameConverter.h"
#include "FFMpegHandles.h"

namespace QtAV {

namespace {

// FFmpeg's deprecated full-range formats as their plain twins; `fullRange` is set for them.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P: *fullRange = true; return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P: *fullRange = true; return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P: *fullRange = true; return AV_PIX_FMT_YUV444P;
        default: return format;
    }
}

bool isPacked(const AVFrame* frame) {
    int packed[4] = {0, 0, 0, 0};
    if (av_image_fill_linesizes(packed, static_cast<AVPixelFormat>(frame->format), frame->width) < 0)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (packed[i] != 0 && packed[i] != frame->linesize[i])
            return false;
    }
    return true;
}

}  // namespace

struct VideoFrameConverter::Cache {
    ffh::SwsPtr scaler;
    ffh::BufferPoolPtr pool;  // buffers of poolBytes for the last target
    int poolBytes = 0;
};

VideoFrameConverter::VideoFrameConverter() : cache(new Cache) {}

VideoFrameConverter::~VideoFrameConverter() = default;

VideoFrame VideoFrameConverter::convert(const VideoFrame& frame, VideoFormat::PixelFormat format) const {
    return convert(frame, VideoFormat(format));
}

VideoFrame VideoFrameConverter::convert(const VideoFrame& frame, const VideoFormat& format) const {
    const AVFrame* src = frame.avFrame();
    if (!src || !format.isValid())
        return VideoFrame();
    const AVPixelFormat dstFormat = static_cast<AVPixelFormat>(format.pixelFormatFFmpeg());
    if (src->format == dstFormat && isPacked(src))
        return frame;

    const int w = src->width;
    const int h = src->height;
    bool srcFull = src->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat srcFormat = plainFormat(static_cast<AVPixelFormat>(src->format), &srcFull);
    const int flags = FFMpegFrameConverter::scalerFlags(SWS_BILINEAR, w);
    SwsContext* scaler = sws_getCachedContext(cache->scaler.release(), w, h, srcFormat, w, h, dstFormat,
                                              flags, nullptr, nullptr, nullptr);
    cache->scaler.reset(scaler);
    if (!scaler)
        return VideoFrame();
    const int colorspace = src->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    sws_setColorspaceDetails(scaler, sws_getCoefficients(colorspace), srcFull ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);

    const int bytes = av_image_get_buffer_size(dstFormat, w, h, 1);
    if (bytes <= 0)
        return VideoFrame();
    if (bytes != cache->poolBytes || !cache->pool) {
        cache->pool.reset(av_buffer_pool_init(bytes + FFMpegFrameConverter::kScalerSlack, nullptr));
        cache->poolBytes = cache->pool ? bytes : 0;
    }
    ffh::FramePtr dst = ffh::makeFrame();
    if (!dst || !cache->pool)
        return VideoFrame();
    dst->buf[0] = av_buffer_pool_get(cache->pool.get());
    if (!dst->buf[0])
        return VideoFrame();
    dst->width = w;
    dst->height = h;
    dst->format = dstFormat;
    if (av_image_fill_arrays(dst->data, dst->linesize, dst->buf[0]->data, dstFormat, w, h, 1) < 0)
        return VideoFrame();
    if (sws_scale(scaler, src->data, src->linesize, 0, h, dst->data, dst->linesize) != h)
        return VideoFrame();
    return VideoFrame::fromAVFrame(dst.get(), frame.timestamp());
}

}  // namespace QtAV
