#include "FFMpegVideoInput.h"

#include <cerrno>
#include <cstdint>

#include "LogSystem.h"

namespace {

// Stream duration in seconds; the container's when the stream states none.
double streamSeconds(const AVFormatContext* format, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return stream->duration * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return format->duration / static_cast<double>(AV_TIME_BASE);
    return 0.0;
}

}  // namespace

FFMpegVideoInput::FFMpegVideoInput(const char* tag, const char* openFailedFormat)
    : tag_(tag), openFailedFormat_(openFailedFormat) {}

int FFMpegVideoInput::fail(int code) {
    close();
    return code;
}

int FFMpegVideoInput::openStream(const char* path) {
    close();
    path_ = path ? path : "";
    path = path_.c_str();
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, path, nullptr, nullptr);
    if (err < 0) {
        LogSystem::e(tag_, openFailedFormat_, path, err, ffh::errorText(err));
        return fail(err == AVERROR(ENOENT) ? -30 : -2);
    }
    format_.reset(raw);
    err = avformat_find_stream_info(raw, nullptr);
    if (err < 0) {
        LogSystem::e(tag_, "avformat_find_stream_info() failed, file: %s, error: %d.", path, err);
        return fail(-2);
    }
    err = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder_, 0);
    if (err < 0) {
        if (err == AVERROR_DECODER_NOT_FOUND)
            LogSystem::e(tag_, "Cannot load decoder for video of %s", path);
        else if (err == AVERROR_STREAM_NOT_FOUND)
            LogSystem::e(tag_, "Cannot find video stream from %s", path);
        else
            LogSystem::e(tag_, "av_find_best_stream() failed, file: %s, error: %d.", path, err);
        return fail(-2);
    }
    streamIndex_ = err;
    stream_ = raw->streams[err];
    videoDuration_ = streamSeconds(raw, stream_);
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audioDuration_ = streamSeconds(raw, raw->streams[i]);
            break;
        }
    }
    return 0;
}

int FFMpegVideoInput::openCodec(const AVCodec* decoder, int threads) {
    if (!format_ || !decoder)
        return fail(-2);
    ffh::CodecContextPtr codec(avcodec_alloc_context3(decoder));
    packet_ = ffh::makePacket();
    if (!codec || !packet_)
        return fail(-2);
    int err = avcodec_parameters_to_context(codec.get(), stream_->codecpar);
    if (err < 0) {
        LogSystem::e(tag_, "avcodec_parameters_to_context() failed, file: %s, error: %d.",
                     path_.c_str(), err);
        return fail(-2);
    }
    codec->thread_count = threads;
    codec->pkt_timebase = stream_->time_base;
    err = avcodec_open2(codec.get(), decoder, nullptr);
    if (err < 0) {
        LogSystem::e(tag_, "avcodec_open2() failed, file: %s, error: %d.", path_.c_str(), err);
        return fail(-2);
    }
    codec_ = std::move(codec);
    if (codec_->pix_fmt == AV_PIX_FMT_NONE) {
        LogSystem::e(tag_, "videoCodecCtx->pix_fmt == AV_PIX_FMT_NONE, file may broken, file:%s",
                     path_.c_str());
        return -3;
    }
    return 0;
}

void FFMpegVideoInput::close() {
    codec_.reset();
    format_.reset();
    packet_.reset();
    decoder_ = nullptr;
    stream_ = nullptr;
    streamIndex_ = -1;
    videoDuration_ = 0.0;
    audioDuration_ = 0.0;
    endOfInput_ = false;
    drainSent_ = false;
    lastPacketDts_ = AV_NOPTS_VALUE;
}

// Sends the next video packet, or the drain packet once the container is
// exhausted. 0 when something was sent, AVERROR_EOF when draining already.
int FFMpegVideoInput::feedOnePacket() {
    while (!endOfInput_) {
        if (av_read_frame(format_.get(), packet_.get()) < 0) {
            endOfInput_ = true;
            break;
        }
        if (packet_->stream_index == streamIndex_) {
            if (packet_->dts != AV_NOPTS_VALUE)
                lastPacketDts_ = packet_->dts;
            const int err = avcodec_send_packet(codec_.get(), packet_.get());
            av_packet_unref(packet_.get());
            if (err < 0 && err != AVERROR_INVALIDDATA)
                return err;
            return 0;  // a damaged packet is skipped
        }
        av_packet_unref(packet_.get());
    }
    if (drainSent_)
        return AVERROR_EOF;
    drainSent_ = true;
    const int err = avcodec_send_packet(codec_.get(), nullptr);
    return err == AVERROR_EOF ? 0 : err;
}

int FFMpegVideoInput::receiveFrame(AVFrame* frame) {
    if (!codec_ || codec_->pix_fmt == AV_PIX_FMT_NONE)
        return AVERROR(EINVAL);
    for (;;) {
        int err = avcodec_receive_frame(codec_.get(), frame);
        if (err != AVERROR(EAGAIN))
            return err;
        err = feedOnePacket();
        if (err < 0)
            return err;
    }
}

int FFMpegVideoInput::seekBackward(int64_t ticks) {
    if (!codec_)
        return AVERROR(EINVAL);
    int err = av_seek_frame(format_.get(), streamIndex_, ticks, AVSEEK_FLAG_BACKWARD);
    if (err < 0)
        return err;
    avcodec_flush_buffers(codec_.get());
    endOfInput_ = false;
    drainSent_ = false;
    lastPacketDts_ = AV_NOPTS_VALUE;
    return 0;
}

int64_t FFMpegVideoInput::secondsToTicks(double seconds) const {
    const AVRational tb = stream_->time_base;
    const double ticks = seconds * tb.den / tb.num + 0.5;
    // Clamped: times from a file may not fit (or be NaN).
    constexpr double kLimit = 9.2e18;
    if (!(ticks > -kLimit))
        return INT64_MIN;
    return ticks < kLimit ? static_cast<int64_t>(ticks) : INT64_MAX;
}

double FFMpegVideoInput::ticksToSeconds(int64_t ticks) const {
    return ticks * av_q2d(stream_->time_base);
}

int64_t FFMpegVideoInput::frameTicks(const AVFrame* frame) const {
    return frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp
                                                          : lastPacketDts_;
}

int FFMpegVideoInput::width() const { return codec_ ? codec_->width : 0; }

int FFMpegVideoInput::height() const { return codec_ ? codec_->height : 0; }

double FFMpegVideoInput::frameRate() const {
    return stream_ && stream_->r_frame_rate.den ? av_q2d(stream_->r_frame_rate) : 0.0;
}

int FFMpegVideoInput::bitRate() const {
    return codec_ ? static_cast<int>(codec_->bit_rate) : 0;
}

int FFMpegVideoInput::totalFrames() const {
    return stream_ ? static_cast<int>(stream_->nb_frames & 0xffffffff) : 0;
}

int FFMpegVideoInput::metadataEntry(const char* key, const char** value) const {
    if (!format_)
        return -10001;
    const AVDictionaryEntry* entry =
        av_dict_get(format_->metadata, key, nullptr, AV_DICT_IGNORE_SUFFIX);
    if (!entry)
        return -7;
    *value = entry->value;
    return 0;
}
