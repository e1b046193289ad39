#include "StreamDecoder.h"

namespace QtAV {

bool StreamDecoder::open(const AVStream* stream) {
    context.reset();
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return false;
    ffh::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0)
        return false;
    ctx->thread_count = 0;
    ctx->pkt_timebase = stream->time_base;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return false;
    timeBase = stream->time_base;
    context = std::move(ctx);
    return true;
}

int StreamDecoder::send(const AVPacket* packet) { return avcodec_send_packet(context.get(), packet); }

int StreamDecoder::receive(AVFrame* frame) {
    av_frame_unref(frame);
    return avcodec_receive_frame(context.get(), frame);
}

void StreamDecoder::flush() { avcodec_flush_buffers(context.get()); }

double StreamDecoder::seconds(const AVFrame* frame, double origin, double fallback) const {
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE || timeBase.den == 0)
        return fallback;
    return pts * av_q2d(timeBase) - origin;
}

}  // namespace QtAV
