#include "FFMpegBasicSupport.h"

#include <charconv>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "FFMpegCodecDecoder.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const TAG = "ffmpegBSupport";

using Probe = double (*)(const AVFormatContext*);

// Opens `path` and reads its stream information, then returns probe(context); 0 on failure.
double probeFile(const char* path, Probe probe) {
    if (!path) return 0;
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, path, nullptr, nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "avformat_open_input failed, %s", FFMpegBasicSupport::getErrorDesc(ret));
        return 0;
    }
    ffh::InputFormatPtr fmt(raw);
    ret = FFMpegCodecDecoder::findStreamInfo(fmt.get());
    if (ret < 0) {
        LogSystem::e(TAG, "avformat_find_stream_info failed, %s",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return 0;
    }
    return probe(fmt.get());
}

}  // namespace

FFMpegBasicSupport::CLocaleScope::CLocaleScope()
    : cLocale(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0))),
      previous(cLocale ? uselocale(cLocale) : static_cast<locale_t>(0)) {}

FFMpegBasicSupport::CLocaleScope::~CLocaleScope() {
    if (!cLocale) return;
    uselocale(previous);
    freelocale(cLocale);
}

const char* FFMpegBasicSupport::getErrorDesc(int code) { return ffh::errorText(code); }

int FFMpegBasicSupport::mapResult(int code) {
    if (code >= 0) return 0;
    return code == AVERROR(ENOMEM) ? ResultCode::kNoMemory : ResultCode::kIoError;
}

void FFMpegBasicSupport::specifyLayout(AVChannelLayout* layout) {
    if (layout->order == AV_CHANNEL_ORDER_UNSPEC && layout->nb_channels > 0) {
        const int channels = layout->nb_channels;
        av_channel_layout_uninit(layout);
        av_channel_layout_default(layout, channels);
    }
}

int FFMpegBasicSupport::openInputFile4Audio(const char* path, ffh::InputFormatPtr& fmt,
                                            ffh::CodecContextPtr* codec, int* streamIndex) {
    AVFormatContext* raw = nullptr;
    int ret = avformat_open_input(&raw, path, nullptr, nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open input file '%s' (error '%s')", path, getErrorDesc(ret));
        return ret;
    }
    ffh::InputFormatPtr input(raw);
    ret = FFMpegCodecDecoder::findStreamInfo(input.get());
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open find stream info (error '%s')", getErrorDesc(ret));
        return ret;
    }
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (index < 0) {
        LogSystem::e(TAG, "Cannot find an audio stream in the input file (error '%s')",
                     getErrorDesc(index));
        return index;
    }
    if (codec) {
        ffh::CodecContextPtr ctx(avcodec_alloc_context3(decoder));
        if (!ctx) {
            LogSystem::e(TAG, "Could not allocate input codec context");
            return AVERROR(ENOMEM);
        }
        ret = avcodec_parameters_to_context(ctx.get(), input->streams[index]->codecpar);
        if (ret >= 0) {
            ctx->pkt_timebase = input->streams[index]->time_base;
            ret = avcodec_open2(ctx.get(), decoder, nullptr);
        }
        if (ret < 0) {
            LogSystem::e(TAG, "Could not open input codec (error '%s')", getErrorDesc(ret));
            return ret;
        }
        specifyLayout(&ctx->ch_layout);
        *codec = std::move(ctx);
    }
    if (streamIndex) *streamIndex = index;
    fmt = std::move(input);
    return 0;
}

int FFMpegBasicSupport::openAudioOutputFile(const char* path, ffh::OutputFormatPtr& fmt,
                                            ffh::CodecContextPtr& codec, int channels,
                                            int sampleRate, int64_t bitRate) {
    ffh::OutputFormatPtr out(avformat_alloc_context());
    if (!out) {
        LogSystem::e(TAG, "Could not allocate output format context");
        return AVERROR(ENOMEM);
    }
    out->oformat = av_guess_format(nullptr, path, nullptr);
    if (!out->oformat) {
        LogSystem::e(TAG, "Could not find output file format");
        return AVERROR_EXIT;
    }
    out->url = av_strdup(path);
    int ret = avio_open(&out->pb, path, AVIO_FLAG_WRITE);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open output file '%s' (error '%s')", path, getErrorDesc(ret));
        return ret;
    }
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!encoder) {
        LogSystem::e(TAG, "Could not find an AAC encoder.");
        return AVERROR_EXIT;
    }
    AVStream* stream = avformat_new_stream(out.get(), nullptr);
    if (!stream) {
        LogSystem::e(TAG, "Could not create new stream");
        return AVERROR(ENOMEM);
    }
    ffh::CodecContextPtr ctx(avcodec_alloc_context3(encoder));
    if (!ctx) {
        LogSystem::e(TAG, "Could not allocate output codec context");
        return AVERROR(ENOMEM);
    }
    av_channel_layout_default(&ctx->ch_layout, channels);
    ctx->sample_rate = sampleRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->bit_rate = bitRate;
    ctx->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    ctx->time_base = AVRational{1, sampleRate};
    stream->time_base = ctx->time_base;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    ret = avcodec_open2(ctx.get(), encoder, nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open output codec (error '%s')", getErrorDesc(ret));
        return ret;
    }
    ret = avcodec_parameters_from_context(stream->codecpar, ctx.get());
    if (ret < 0) {
        LogSystem::e(TAG, "Could not initialize output stream parameters");
        return ret;
    }
    ret = avformat_write_header(out.get(), nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not write output file header (error '%s')", getErrorDesc(ret));
        return ret;
    }
    fmt = std::move(out);
    codec = std::move(ctx);
    return 0;
}

int FFMpegBasicSupport::prepareSwrContext(ffh::SwrPtr& swr, const AVCodecContext* in,
                                          const AVCodecContext* out) {
    SwrContext* raw = nullptr;
    // The layouts are only read; the 5.1 signature lacks the const.
    int ret = swr_alloc_set_opts2(
        &raw, const_cast<AVChannelLayout*>(&out->ch_layout), out->sample_fmt, out->sample_rate,
        const_cast<AVChannelLayout*>(&in->ch_layout), in->sample_fmt, in->sample_rate, 0, nullptr);
    ffh::SwrPtr ctx(raw);
    if (ret >= 0) ret = swr_init(ctx.get());
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open resample context (error '%s')", getErrorDesc(ret));
        return ret;
    }
    swr = std::move(ctx);
    return 0;
}

int FFMpegBasicSupport::decodeOneSrcFrame(AVFormatContext* fmt, AVCodecContext* codec,
                                          AVFrame* frame, int streamIndex) {
    ffh::PacketPtr packet = ffh::makePacket();
    if (!packet) return AVERROR(ENOMEM);
    for (;;) {
        int ret = avcodec_receive_frame(codec, frame);
        if (ret == 0) {
            specifyLayout(&frame->ch_layout);
            return 0;
        }
        if (ret == AVERROR_EOF) return ret;
        if (ret != AVERROR(EAGAIN)) {
            LogSystem::e(TAG, "Cannot receive decoded data (error '%s')", getErrorDesc(ret));
            return ret;
        }
        ret = av_read_frame(fmt, packet.get());
        if (ret >= 0 && streamIndex >= 0 && packet->stream_index != streamIndex) {
            av_packet_unref(packet.get());
            continue;
        }
        if (ret < 0 && ret != AVERROR_EOF) {
            LogSystem::e(TAG, "Could not read packet (error '%s')", getErrorDesc(ret));
            return ret;
        }
        // At the end of the file the empty packet puts the decoder into draining.
        ret = avcodec_send_packet(codec, ret < 0 ? nullptr : packet.get());
        av_packet_unref(packet.get());
        if (ret < 0) {
            LogSystem::e(TAG, "Could not feed decode data (error '%s')", getErrorDesc(ret));
            return ret;
        }
    }
}

int FFMpegBasicSupport::encodeFrame(AVFormatContext* fmt, AVCodecContext* codec, AVFrame* frame,
                                    int64_t* pts) {
    if (frame) {
        frame->pts = *pts;
        *pts += frame->nb_samples;
    }
    int ret = avcodec_send_frame(codec, frame);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not feed encode data (error '%s')", getErrorDesc(ret));
        return ret;
    }
    ffh::PacketPtr packet = ffh::makePacket();
    if (!packet) return AVERROR(ENOMEM);
    for (;;) {
        ret = avcodec_receive_packet(codec, packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
        if (ret < 0) {
            LogSystem::e(TAG, "Could not receive encoded data (error '%s')", getErrorDesc(ret));
            return ret;
        }
        packet->stream_index = 0;
        av_packet_rescale_ts(packet.get(), codec->time_base, fmt->streams[0]->time_base);
        ret = av_write_frame(fmt, packet.get());
        av_packet_unref(packet.get());
        if (ret < 0) {
            LogSystem::e(TAG, "Could not write packet (error '%s')", getErrorDesc(ret));
            return ret;
        }
    }
}

const AVStream* FFMpegBasicSupport::firstStream(const AVFormatContext* fmt, AVMediaType type) {
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
        if (fmt->streams[i]->codecpar->codec_type == type) return fmt->streams[i];
    return nullptr;
}

double FFMpegBasicSupport::streamSeconds(const AVStream* stream) {
    if (!stream || stream->duration == AV_NOPTS_VALUE) return 0;
    return av_q2d(stream->time_base) * stream->duration;
}

double FFMpegBasicSupport::getVideoDuration(const char* path) {
    return probeFile(path, [](const AVFormatContext* fmt) {
        return streamSeconds(firstStream(fmt, AVMEDIA_TYPE_VIDEO));
    });
}

double FFMpegBasicSupport::getAudioDuration(const char* path) {
    return probeFile(path, [](const AVFormatContext* fmt) {
        return streamSeconds(firstStream(fmt, AVMEDIA_TYPE_AUDIO));
    });
}

double FFMpegBasicSupport::getVideoFps(const char* path) {
    return probeFile(path, [](const AVFormatContext* fmt) {
        const AVStream* video = firstStream(fmt, AVMEDIA_TYPE_VIDEO);
        if (!video || video->avg_frame_rate.den == 0) return 0.0;
        return av_q2d(video->avg_frame_rate);
    });
}

std::string FFMpegBasicSupport::fixedText(double value) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, 6);
    return result.ec == std::errc() ? std::string(buf, result.ptr) : std::string("0.000000");
}

std::string FFMpegBasicSupport::bufferSourceArgs(AVRational timeBase, int sampleRate,
                                                 AVSampleFormat format,
                                                 const AVChannelLayout& layout) {
    uint64_t mask = layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
    if (!mask) {
        AVChannelLayout fallback;
        av_channel_layout_default(&fallback, layout.nb_channels);
        mask = fallback.order == AV_CHANNEL_ORDER_NATIVE ? fallback.u.mask : 0;
        av_channel_layout_uninit(&fallback);
    }
    char buf[512];
    snprintf(buf, sizeof(buf), "time_base=%d/%d:sample_rate=%d:sample_fmt=%s:channel_layout=0x%llx",
             timeBase.num, timeBase.den, sampleRate, av_get_sample_fmt_name(format),
             static_cast<unsigned long long>(mask));
    return buf;
}
