#include "FFMpegEncodeSupport.h"

#include "FFMpegFrameConverter.h"
#include "LogSystem.h"
#include "ResultCode.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace FFMpegEncodeSupport {

const AVCodec* findH264Encoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    return codec ? codec : avcodec_find_encoder(AV_CODEC_ID_H264);
}

void setH264Parameters(AVCodecContext* codec, const AVFormatContext* format, int64_t bitRate,
                       int width, int height, int gopSize) {
    codec->codec_id = AV_CODEC_ID_H264;
    codec->bit_rate = bitRate;
    codec->width = width;
    codec->height = height;
    codec->gop_size = gopSize;
    codec->max_b_frames = 0;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->profile = FF_PROFILE_H264_HIGH;
    codec->level = 51;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

int addH264Stream(const SetupTexts& texts, const AVCodec* codec, AVFormatContext* format,
                  OutputStream& out, int64_t bitRate, int width, int height, int gopSize,
                  AVRational timeBase, AVRational frameRate) {
    out.st = avformat_new_stream(format, nullptr);
    if (!out.st) {
        LogSystem::e(texts.tag, "%s", texts.noStream);
        return ResultCode::kSetupFailed;
    }
    out.st->id = format->nb_streams - 1;
    out.enc.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = out.enc.get();
    if (!c) {
        LogSystem::e(texts.tag, "%s", texts.noContext);
        return ResultCode::kSetupFailed;
    }
    setH264Parameters(c, format, bitRate, width, height, gopSize);
    out.st->time_base = timeBase;
    c->time_base = timeBase;
    c->framerate = frameRate;
    return 0;
}

int openH264Codec(const SetupTexts& texts, OutputStream& out) {
    AVCodecContext* c = out.enc.get();
    int err = openVideoCodec(c);
    if (err < 0) {
        LogSystem::e(texts.tag, texts.openFailed, err, c->width, c->height,
                     static_cast<int>(c->bit_rate));
        return ResultCode::kEncoderNotOpened;
    }
    err = avcodec_parameters_from_context(out.st->codecpar, c);
    if (err < 0) {
        LogSystem::e(texts.tag, "Could not copy the stream parameters: %d", err);
        return ResultCode::kSetupFailed;
    }
    return 0;
}

int allocYuvFrame(const SetupTexts& texts, OutputStream& out) {
    const AVCodecContext* c = out.enc.get();
    out.frame = ffh::makeFrame();
    if (!out.frame) {
        LogSystem::e(texts.tag, "%s", texts.noFrame);
        return ResultCode::kNoMemory;
    }
    const int err = allocFrameBuffer(out.frame.get(), c->pix_fmt, c->width, c->height);
    if (err < 0) {
        LogSystem::e(texts.tag, "Could not allocate frame data: %d", err);
        return ResultCode::kNoMemory;
    }
    return 0;
}

void setColour(AVCodecContext* codec, const VideoColour& colour) {
    codec->colorspace = static_cast<AVColorSpace>(colour.matrix);
    codec->color_primaries = static_cast<AVColorPrimaries>(colour.primaries);
    codec->color_trc = static_cast<AVColorTransferCharacteristic>(colour.transfer);
    codec->color_range = static_cast<AVColorRange>(colour.range);
}

SwsContext* makeBgraScaler(int width, int height, AVPixelFormat yuvFormat, int matrix, int range) {
    const struct {
        const char* name;
        int64_t value;
    } options[] = {{"srcw", width},
                   {"srch", height},
                   {"src_format", AV_PIX_FMT_BGRA},
                   {"dstw", width},
                   {"dsth", height},
                   {"dst_format", yuvFormat},
                   {"sws_flags", SWS_BICUBIC},
                   {"threads", 0}};  // 0: one per processor
    ffh::SwsPtr sws(sws_alloc_context());
    if (!sws) return nullptr;
    for (const auto& o : options)
        if (av_opt_set_int(sws.get(), o.name, o.value, 0) < 0) return nullptr;
    if (sws_init_context(sws.get(), nullptr, nullptr) < 0) return nullptr;
    if (matrix != AVCOL_SPC_UNSPECIFIED) {
        const int* coefficients =
            sws_getCoefficients(FFMpegFrameConverter::scalerColourSpace(matrix, width, height));
        // The source is full-range RGB; its table is not used.
        if (sws_setColorspaceDetails(sws.get(), coefficients, 1, coefficients,
                                     range == AVCOL_RANGE_JPEG ? 1 : 0, 0, 1 << 16, 1 << 16) < 0)
            return nullptr;
    }
    return sws.release();
}

int allocBgraScaler(const SetupTexts& texts, OutputStream& out) {
    const AVCodecContext* c = out.enc.get();
    out.sws.reset(makeBgraScaler(c->width, c->height, c->pix_fmt, c->colorspace, c->color_range));
    if (!out.sws) {
        LogSystem::e(texts.tag, "Could not initialize the conversion context");
        return ResultCode::kMediaError;
    }
    out.bgraFrame = ffh::makeFrame();
    if (!out.bgraFrame) {
        out.sws.reset();
        LogSystem::e(texts.tag, "%s", texts.noBgraFrame);
        return texts.noBgraFrameCode;
    }
    return 0;
}

int openVideoCodec(AVCodecContext* codec) {
    if (codec->width < 1 || codec->height < 1 || codec->width > kMaxFrameSide ||
        codec->height > kMaxFrameSide)
        return AVERROR(EINVAL);
    return avcodec_open2(codec, codec->codec, nullptr);
}

int allocFrameBuffer(AVFrame* frame, AVPixelFormat format, int width, int height) {
    frame->format = format;
    frame->width = width;
    frame->height = height;
    return av_frame_get_buffer(frame, 32);
}

int wrapPacked(AVFrame* frame, const uint8_t* data, AVPixelFormat format, int width, int height) {
    frame->format = format;
    frame->width = width;
    frame->height = height;
    const int size =
        av_image_fill_arrays(frame->data, frame->linesize, data, format, width, height, 1);
    return size < 0 ? size : 0;
}

int copyPacked(AVFrame* frame, const uint8_t* data) {
    const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
    uint8_t* planes[4];
    int strides[4];
    const int size =
        av_image_fill_arrays(planes, strides, data, format, frame->width, frame->height, 1);
    if (size < 0) return size;
    av_image_copy(frame->data, frame->linesize, const_cast<const uint8_t**>(planes), strides,
                  format, frame->width, frame->height);
    return 0;
}

int scalePackedBgra(SwsContext* sws, AVFrame* wrapper, const uint8_t* bgra, AVFrame* yuv) {
    int err = wrapPacked(wrapper, bgra, AV_PIX_FMT_BGRA, yuv->width, yuv->height);
    if (err < 0) return err;
    // Some versions answer the rows of the last slice instead of 0.
    err = sws_scale_frame(sws, yuv, wrapper);
    return err < 0 ? err : 0;
}

int writeReadyPackets(AVFormatContext* format, AVCodecContext* codec, AVStream* stream,
                      AVPacket* packet, int64_t duration, bool interleaved, int* writeError,
                      const std::atomic<bool>* stop) {
    *writeError = 0;
    for (;;) {
        if (stop && stop->load()) return AVERROR_EXIT;
        int answer = avcodec_receive_packet(codec, packet);
        if (answer < 0) return answer;
        if (packet->duration <= 0) packet->duration = duration;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        int written = interleaved ? av_interleaved_write_frame(format, packet)
                                  : av_write_frame(format, packet);
        av_packet_unref(packet);
        if (written < 0 && *writeError == 0) *writeError = written;
    }
}

}  // namespace FFMpegEncodeSupport
