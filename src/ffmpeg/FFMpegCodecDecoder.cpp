#include "FFMpegCodecDecoder.h"

#include <cerrno>
#include <vector>

#include "PictureLimits.h"

namespace {

int failed(const char* call, int err, const char** failedCall) {
    if (failedCall) *failedCall = call;
    return err;
}

}  // namespace

int FFMpegCodecDecoder::findStreamInfo(AVFormatContext* format) {
    std::vector<AVDictionary*> options(format->nb_streams, nullptr);
    for (AVDictionary*& streamOptions : options)
        av_dict_set_int(&streamOptions, "max_pixels", PictureLimits::kMaxPixels, 0);
    const int err = avformat_find_stream_info(format, options.empty() ? nullptr : options.data());
    for (AVDictionary*& streamOptions : options) av_dict_free(&streamOptions);
    return err;
}

int FFMpegCodecDecoder::open(const AVStream* stream, const AVCodec* codec, int threads,
                             const char** failedCall) {
    return open(stream->codecpar, stream->time_base, codec, threads, failedCall);
}

int FFMpegCodecDecoder::open(const AVCodecParameters* parameters, AVRational timeBase,
                             const AVCodec* codec, int threads, const char** failedCall) {
    close();
    if (!codec) return failed("avcodec_find_decoder()", AVERROR_DECODER_NOT_FOUND, failedCall);
    ffh::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return failed("avcodec_alloc_context3()", AVERROR(ENOMEM), failedCall);
    int err = parameters ? avcodec_parameters_to_context(context.get(), parameters) : 0;
    if (err < 0) return failed("avcodec_parameters_to_context()", err, failedCall);
    context->max_pixels = PictureLimits::kMaxPixels;
    context->thread_count = threads;
    context->pkt_timebase = timeBase;
    err = avcodec_open2(context.get(), codec, nullptr);
    if (err < 0) return failed("avcodec_open2()", err, failedCall);
    timeBase_ = timeBase;
    context_ = std::move(context);
    return 0;
}

void FFMpegCodecDecoder::close() {
    context_.reset();
    timeBase_ = AVRational{0, 1};
}

int FFMpegCodecDecoder::send(const AVPacket* packet) {
    return avcodec_send_packet(context_.get(), packet);
}

int FFMpegCodecDecoder::receive(AVFrame* frame) {
    av_frame_unref(frame);
    return avcodec_receive_frame(context_.get(), frame);
}

void FFMpegCodecDecoder::flush() { avcodec_flush_buffers(context_.get()); }

double FFMpegCodecDecoder::seconds(const AVFrame* frame, double origin, double fallback) const {
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE || timeBase_.den == 0 || timeBase_.num == 0) return fallback;
    return pts * av_q2d(timeBase_) - origin;
}

double FFMpegCodecDecoder::durationSeconds(const AVFrame* frame, double fallback) const {
    if (frame->pkt_duration <= 0 || timeBase_.den == 0 || timeBase_.num == 0) return fallback;
    return frame->pkt_duration * av_q2d(timeBase_);
}
