#include "FFMpegFrameConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

FFMpegFrameConverter::FFMpegFrameConverter(AVPixelFormat dstFormat, int swsFlags)
    : dstFormat_(dstFormat), swsFlags_(swsFlags) {}

int FFMpegFrameConverter::bufferSize(int width, int height) const {
    int size = av_image_get_buffer_size(dstFormat_, width, height, 1);
    return size > 0 ? size : 0;
}

int FFMpegFrameConverter::scalerFlags(int swsFlags, int width) {
    const int tail = width % 16;
    return width > 16 && tail > 0 && tail < 8 ? swsFlags | SWS_ACCURATE_RND : swsFlags;
}

AVBufferRef* FFMpegFrameConverter::takeBuffer(int size) {
    if (!pool_ || poolSize_ != size) {
        pool_.reset(av_buffer_pool_init(size + kScalerSlack, nullptr));
        poolSize_ = pool_ ? size : 0;
    }
    return pool_ ? av_buffer_pool_get(pool_.get()) : nullptr;
}

AVFrame* FFMpegFrameConverter::convert(const AVFrame* src, int dstWidth, int dstHeight) {
    if (dstWidth < 1 || dstHeight < 1) {
        dstWidth = src->width;
        dstHeight = src->height;
    }
    int size = bufferSize(dstWidth, dstHeight);
    if (size <= 0)
        return nullptr;
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame)
        return nullptr;
    frame->buf[0] = takeBuffer(size);
    if (!frame->buf[0])
        return nullptr;
    frame->format = dstFormat_;
    frame->width = dstWidth;
    frame->height = dstHeight;
    av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, dstFormat_,
                         dstWidth, dstHeight, 1);
    if (convertInto(src, frame->buf[0]->data, dstWidth, dstHeight) < 0)
        return nullptr;
    av_frame_copy_props(frame.get(), src);
    return frame.release();
}

int FFMpegFrameConverter::convertInto(const AVFrame* src, uint8_t* dst, int dstWidth,
                                      int dstHeight) {
    int size = bufferSize(dstWidth, dstHeight);
    if (size <= 0 || src->width < 1 || src->height < 1)
        return AVERROR(EINVAL);
    if (src->format == dstFormat_ && src->width == dstWidth && src->height == dstHeight) {
        int copied = av_image_copy_to_buffer(dst, size, src->data, src->linesize, dstFormat_,
                                             dstWidth, dstHeight, 1);
        return copied < 0 ? copied : 0;
    }
    const int flags = scalerFlags(swsFlags_, src->width);
    sws_.reset(sws_getCachedContext(sws_.release(), src->width, src->height,
                                    static_cast<AVPixelFormat>(src->format), dstWidth,
                                    dstHeight, dstFormat_, flags, nullptr, nullptr, nullptr));
    if (!sws_)
        return AVERROR(EINVAL);
    uint8_t* planes[4];
    int strides[4];
    av_image_fill_arrays(planes, strides, dst, dstFormat_, dstWidth, dstHeight, 1);
    int rows = sws_scale(sws_.get(), src->data, src->linesize, 0, src->height, planes, strides);
    return rows > 0 ? 0 : AVERROR(EINVAL);
}
