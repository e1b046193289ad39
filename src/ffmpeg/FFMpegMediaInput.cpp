// Opening, in order: the container and its stream info; the best video
// stream and its decoder; for playback the best audio stream and its
// decoder; the durations and start time come with the streams.
#include "FFMpegMediaInput.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>

#include <sys/stat.h>

#include "LogSystem.h"
#include "PictureLimits.h"
#include "ResultCode.h"

namespace {

// Playback decodes one frame per display interval: four frame threads keep a 2160x2160 stream
// at 30 fps while holding far fewer frames than one thread per core would.
constexpr int kPlaybackDecodeThreads = 4;

// Stream duration in seconds; the container's when the stream states none.
double streamSeconds(const AVFormatContext* format, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return stream->duration * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return format->duration / static_cast<double>(AV_TIME_BASE);
    return 0.0;
}

// `value` truncated into int64_t, saturated; NaN gives `nan`.
int64_t saturated(double value, int64_t nan) {
    constexpr double kLimit = 9.2e18;
    if (std::isnan(value)) return nan;
    if (!(value > -kLimit)) return INT64_MIN;
    return value < kLimit ? static_cast<int64_t>(value) : INT64_MAX;
}

// Whether a video stream states a picture above the limit.
bool statesTooLargePicture(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* stream = format->streams[i]->codecpar;
        if (stream->codec_type == AVMEDIA_TYPE_VIDEO &&
            !PictureLimits::allows(stream->width, stream->height))
            return true;
    }
    return false;
}

}  // namespace

FFMpegMediaInput::FFMpegMediaInput(const char* tag, const char* openFailedFormat)
    : tag_(tag), openFailedFormat_(openFailedFormat) {}

int FFMpegMediaInput::fail(int code, const std::string& message) {
    close();
    failure_ = message;
    return code;
}

int FFMpegMediaInput::failTooLarge() {
    if (tag_)
        LogSystem::e(tag_, "Picture above %d pixels a side, file: %s", PictureLimits::kMaxSide,
                     path_.c_str());
    return fail(ResultCode::kMediaError, "Picture too large: " + path_);
}

int FFMpegMediaInput::openFile(const char* path) {
    close();
    path_ = path ? path : "";
    path = path_.c_str();
    // Only regular files: opening a pipe or a device could block for ever.
    struct stat info;
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        if (tag_) LogSystem::e(tag_, "Not a regular file: %s", path);
        return fail(ResultCode::kMediaError, "Can not open file: " + path_);
    }
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, path, nullptr, nullptr);
    if (err < 0) {
        if (tag_) LogSystem::e(tag_, openFailedFormat_, path, err, ffh::errorText(err));
        if (err == AVERROR(ENOENT))
            return fail(ResultCode::kCannotOpen, "Can not open file: " + path_);
        return fail(ResultCode::kMediaError, "Can not open media: " + path_);
    }
    format_.reset(raw);
    // Sizes stated by the container are checked before probing decodes a picture, those found
    // by probing (held to the limit) after it.
    if (statesTooLargePicture(raw)) return failTooLarge();
    err = FFMpegCodecDecoder::findStreamInfo(raw);
    if (err < 0) {
        if (tag_)
            LogSystem::e(tag_, "avformat_find_stream_info() failed, file: %s, error: %d.", path,
                         err);
        return fail(ResultCode::kMediaError, "No stream info: " + path_);
    }
    if (statesTooLargePicture(raw)) return failTooLarge();
    packet_ = ffh::makePacket();
    if (!packet_) return fail(ResultCode::kMediaError, "Out of memory");
    origin_ = raw->start_time != AV_NOPTS_VALUE ? raw->start_time / double(AV_TIME_BASE) : 0.0;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audioDuration_ = streamSeconds(raw, raw->streams[i]);
            break;
        }
    }
    return 0;
}

int FFMpegMediaInput::selectVideo() {
    const char* path = path_.c_str();
    const int err =
        av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &foundDecoder_, 0);
    if (err < 0) {
        foundDecoder_ = nullptr;
        if (!tag_) return ResultCode::kMediaError;
        if (err == AVERROR_DECODER_NOT_FOUND)
            LogSystem::e(tag_, "Cannot load decoder for video of %s", path);
        else if (err == AVERROR_STREAM_NOT_FOUND)
            LogSystem::e(tag_, "Cannot find video stream from %s", path);
        else
            LogSystem::e(tag_, "av_find_best_stream() failed, file: %s, error: %d.", path, err);
        return ResultCode::kMediaError;
    }
    videoIndex_ = err;
    videoStream_ = format_->streams[err];
    videoDuration_ = streamSeconds(format_.get(), videoStream_);
    return 0;
}

int FFMpegMediaInput::openVideoStream(const char* path) {
    const int err = openFile(path);
    if (err < 0) return err;
    return selectVideo() < 0 ? fail(ResultCode::kMediaError, "No video stream: " + path_) : 0;
}

int FFMpegMediaInput::openVideoDecoder(const AVCodec* decoder, int threads) {
    if (!videoStream_) return fail(ResultCode::kMediaError, "No video stream: " + path_);
    const char* call = nullptr;
    const int err = video_.open(videoStream_, decoder, threads, &call);
    if (err < 0) {
        if (tag_) LogSystem::e(tag_, "%s failed, file: %s, error: %d.", call, path_.c_str(), err);
        return fail(ResultCode::kMediaError, "Can not open the video decoder: " + path_);
    }
    if (video_.context()->pix_fmt == AV_PIX_FMT_NONE) {
        if (tag_)
            LogSystem::e(tag_,
                         "videoCodecCtx->pix_fmt == AV_PIX_FMT_NONE, file may broken, file:%s",
                         path_.c_str());
        failure_ = "No pixel format: " + path_;
        return ResultCode::kSetupFailed;
    }
    return 0;
}

int FFMpegMediaInput::openAudio() {
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (index < 0 || audio_.open(format_->streams[index], decoder, 0) < 0)
        return ResultCode::kMediaError;
    audioIndex_ = index;
    return 0;
}

int FFMpegMediaInput::open(const char* path, bool withAudio) {
    const int err = openFile(path);
    if (err < 0) return err;
    if (selectVideo() == 0 && video_.open(videoStream_, foundDecoder_, kPlaybackDecodeThreads) < 0)
        videoStream_ = nullptr;
    if (withAudio) openAudio();
    if (!isOpen()) return fail(ResultCode::kMediaError, "No decodable stream: " + path_);
    return 0;
}

void FFMpegMediaInput::close() {
    video_.close();
    audio_.close();
    format_.reset();
    packet_.reset();
    failure_.clear();
    foundDecoder_ = nullptr;
    videoStream_ = nullptr;
    videoIndex_ = -1;
    audioIndex_ = -1;
    videoDuration_ = 0.0;
    audioDuration_ = 0.0;
    origin_ = 0.0;
    endOfInput_ = false;
    drainSent_ = false;
    readError_ = 0;
    lastPacketDts_ = AV_NOPTS_VALUE;
}

double FFMpegMediaInput::duration() const {
    if (format_ && format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        return format_->duration / double(AV_TIME_BASE);
    return videoStream_ ? videoDuration_ : 0.0;
}

double FFMpegMediaInput::frameInterval() const {
    if (!videoStream_) return 1.0 / 30;
    const AVRational rate = av_guess_frame_rate(format_.get(), videoStream_, nullptr);
    return rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 1.0 / 30;
}

// Sends the next video packet, or the drain packet once the container is
// exhausted. 0 when something was sent, AVERROR_EOF when draining already.
int FFMpegMediaInput::feedOnePacket() {
    if (readError_ < 0) return readError_;
    while (!endOfInput_) {
        const int read = av_read_frame(format_.get(), packet_.get());
        if (read < 0) {
            // Only the end of the file ends the stream: a failed read fails it, also one the
            // demuxer reports as the end after an I/O error.
            const int ioError = format_->pb ? format_->pb->error : 0;
            if (read != AVERROR_EOF || ioError < 0) return failRead(ioError < 0 ? ioError : read);
            endOfInput_ = true;
            break;
        }
        if (packet_->stream_index == videoIndex_) {
            if (packet_->dts != AV_NOPTS_VALUE) lastPacketDts_ = packet_->dts;
            const int err = video_.send(packet_.get());
            av_packet_unref(packet_.get());
            if (err < 0 && err != AVERROR_INVALIDDATA) return err;
            return 0;  // a damaged packet is skipped
        }
        av_packet_unref(packet_.get());
    }
    if (drainSent_) return AVERROR_EOF;
    drainSent_ = true;
    const int err = video_.send(nullptr);
    return err == AVERROR_EOF ? 0 : err;
}

int FFMpegMediaInput::failRead(int code) {
    if (tag_) LogSystem::e(tag_, "av_read_frame() failed, file: %s, error: %d.", path_.c_str(), code);
    readError_ = code;
    return code;
}

int FFMpegMediaInput::receiveFrame(AVFrame* frame) {
    if (!video_.isOpen()) return AVERROR(EINVAL);
    for (;;) {
        int err = video_.receive(frame);
        if (err != AVERROR(EAGAIN)) return err;
        err = feedOnePacket();
        if (err < 0) return err;
    }
}

int FFMpegMediaInput::seekBackward(int64_t ticks) {
    if (!video_.isOpen()) return AVERROR(EINVAL);
    const int err = av_seek_frame(format_.get(), videoIndex_, ticks, AVSEEK_FLAG_BACKWARD);
    if (err < 0) return err;
    video_.flush();
    endOfInput_ = false;
    drainSent_ = false;
    readError_ = 0;
    lastPacketDts_ = AV_NOPTS_VALUE;
    return 0;
}

bool FFMpegMediaInput::seek(double seconds) {
    if (!format_) return false;
    endOfInput_ = false;
    drainSent_ = false;
    readError_ = 0;
    lastPacketDts_ = AV_NOPTS_VALUE;
    // Saturated: an absurd time must not overflow the conversion.
    const int64_t target = saturated((seconds + origin_) * AV_TIME_BASE, 0);
    if (avformat_seek_file(format_.get(), -1, INT64_MIN, target, target, 0) >= 0) return true;
    // Before the first key frame: take the nearest one after.
    return avformat_seek_file(format_.get(), -1, INT64_MIN, target, INT64_MAX, 0) >= 0;
}

int64_t FFMpegMediaInput::secondsToTicks(double seconds) const {
    const AVRational tb = videoStream_->time_base;
    const double ticks = seconds * tb.den / tb.num + 0.5;
    // Saturated: times from a file may not fit (or be NaN).
    return saturated(ticks, INT64_MIN);
}

double FFMpegMediaInput::ticksToSeconds(int64_t ticks) const {
    return ticks * av_q2d(videoStream_->time_base);
}

int64_t FFMpegMediaInput::frameTicks(const AVFrame* frame) const {
    return frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp
                                                          : lastPacketDts_;
}

int FFMpegMediaInput::width() const { return video_.isOpen() ? codec()->width : 0; }

int FFMpegMediaInput::height() const { return video_.isOpen() ? codec()->height : 0; }

double FFMpegMediaInput::frameRate() const {
    return videoStream_ && videoStream_->r_frame_rate.den ? av_q2d(videoStream_->r_frame_rate)
                                                          : 0.0;
}

int FFMpegMediaInput::bitRate() const {
    return video_.isOpen() ? static_cast<int>(codec()->bit_rate) : 0;
}

int FFMpegMediaInput::totalFrames() const {
    return videoStream_ ? static_cast<int>(videoStream_->nb_frames & 0xffffffff) : 0;
}

int FFMpegMediaInput::metadataEntry(const char* key, const char** value) const {
    if (!format_) return ResultCode::kWrongState;
    const AVDictionaryEntry* entry =
        av_dict_get(format_->metadata, key, nullptr, AV_DICT_IGNORE_SUFFIX);
    if (!entry) return ResultCode::kAbsent;
    *value = entry->value;
    return 0;
}
