#include "FFMpegFrameConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace {

// FFmpeg's deprecated full-range formats as their plain twins; `fullRange` is set for them.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            *fullRange = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            *fullRange = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            *fullRange = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            *fullRange = true;
            return AV_PIX_FMT_YUV440P;
        default:
            return format;
    }
}

}  // namespace

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
    if (size <= 0) return nullptr;
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return nullptr;
    frame->buf[0] = takeBuffer(size);
    if (!frame->buf[0]) return nullptr;
    frame->format = dstFormat_;
    frame->width = dstWidth;
    frame->height = dstHeight;
    if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, dstFormat_,
                             dstWidth, dstHeight, 1) < 0 ||
        convertInto(src, frame->buf[0]->data, dstWidth, dstHeight) < 0)
        return nullptr;
    av_frame_copy_props(frame.get(), src);
    return frame.release();
}

int FFMpegFrameConverter::convertInto(const AVFrame* src, uint8_t* dst, int dstWidth,
                                      int dstHeight) {
    int size = bufferSize(dstWidth, dstHeight);
    if (size <= 0 || src->width < 1 || src->height < 1) return AVERROR(EINVAL);
    if (src->format == dstFormat_ && src->width == dstWidth && src->height == dstHeight) {
        int copied = av_image_copy_to_buffer(dst, size, src->data, src->linesize, dstFormat_,
                                             dstWidth, dstHeight, 1);
        return copied < 0 ? copied : 0;
    }
    ffh::FramePtr planes = ffh::makeFrame();
    if (!planes) return AVERROR(ENOMEM);
    planes->format = dstFormat_;
    planes->width = dstWidth;
    planes->height = dstHeight;
    const int err = av_image_fill_arrays(planes->data, planes->linesize, dst, dstFormat_, dstWidth,
                                         dstHeight, 1);
    return err < 0 ? err : convertInto(src, planes.get());
}

int FFMpegFrameConverter::convertInto(const AVFrame* src, AVFrame* dst) {
    if (dst->format != dstFormat_ || src->width < 1 || src->height < 1) return AVERROR(EINVAL);
    const int dstWidth = dst->width;
    const int dstHeight = dst->height;
    if (src->format == dstFormat_ && src->width == dstWidth && src->height == dstHeight) {
        av_image_copy(dst->data, dst->linesize, const_cast<const uint8_t**>(src->data),
                      src->linesize, dstFormat_, dstWidth, dstHeight);
        return 0;
    }
    bool fullRange = src->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat srcFormat =
        plainFormat(static_cast<AVPixelFormat>(src->format), &fullRange);
    const int flags = scalerFlags(swsFlags_, src->width);
    sws_.reset(sws_getCachedContext(sws_.release(), src->width, src->height, srcFormat, dstWidth,
                                    dstHeight, dstFormat_, flags, nullptr, nullptr, nullptr));
    if (!sws_) return AVERROR(EINVAL);
    // Set per frame (cheap beside the scaling): the colour space may change mid-stream.
    // YUV output stays in the source's matrix and range (which the decoder reports for it).
    const int* coefficients =
        sws_getCoefficients(scalerColourSpace(src->colorspace, src->width, src->height));
    const bool rgbOut = av_pix_fmt_desc_get(dstFormat_)->flags & AV_PIX_FMT_FLAG_RGB;
    sws_setColorspaceDetails(sws_.get(), coefficients, fullRange ? 1 : 0,
                             rgbOut ? sws_getCoefficients(SWS_CS_DEFAULT) : coefficients,
                             rgbOut || fullRange ? 1 : 0, 0, 1 << 16, 1 << 16);
    const int rows =
        sws_scale(sws_.get(), src->data, src->linesize, 0, src->height, dst->data, dst->linesize);
    return rows == dstHeight ? 0 : AVERROR(EINVAL);
}

int FFMpegFrameConverter::scalerColourSpace(int colourSpace, int width, int height) {
    switch (colourSpace) {
        case AVCOL_SPC_BT709:
            return SWS_CS_ITU709;
        case AVCOL_SPC_FCC:
            return SWS_CS_FCC;
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
            return SWS_CS_ITU601;
        case AVCOL_SPC_SMPTE240M:
            return SWS_CS_SMPTE240M;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return SWS_CS_BT2020;
        default:
            return isHighDefinition(width, height) ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

bool FFMpegFrameConverter::isHighDefinition(int width, int height) {
    return width >= 1280 || height > 576;
}
