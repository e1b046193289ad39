#include "FFMpegVideoDecoder.h"

#include <cerrno>

#include <memory>

#include "LogSystem.h"
#include "ResultCode.h"

namespace {
const char* const kTag = "ffmpegVDec";
}

FFMpegVideoDecoder::FFMpegVideoDecoder(bool toBGRA, bool tryHardwareDecoder)
    : toBGRA_(toBGRA),
      tryHardwareDecoder_(tryHardwareDecoder),
      input_(kTag, "avformat_open_input(\"%s\") failed, error: %d., %s"),
      converter_(toBGRA ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P, SWS_FAST_BILINEAR) {}

FFMpegVideoDecoder::~FFMpegVideoDecoder() { releaseResource(); }

// The hardware decoder named for the stream's codec when the library has
// one, else the software decoder found with the stream.
const AVCodec* FFMpegVideoDecoder::chooseDecoder() const {
    const AVCodec* software = input_.foundDecoder();
    if (!tryHardwareDecoder_) return software;
    const char* name = nullptr;
    switch (input_.stream()->codecpar->codec_id) {
        case AV_CODEC_ID_HEVC:
            name = "hevc_mediacodec";
            break;
        case AV_CODEC_ID_H264:
            name = "h264_mediacodec";
            break;
        case AV_CODEC_ID_MPEG4:
            name = "mpeg4_mediacodec";
            break;
        default:
            break;
    }
    const AVCodec* hardware = name ? avcodec_find_decoder_by_name(name) : nullptr;
    if (hardware) return hardware;
    LogSystem::e(kTag, "Can not find hardware decoder h264_mediacodec, use software decode");
    return software;
}

int FFMpegVideoDecoder::initWithFilePath(const char* path, int width, int height) {
    releaseResource();
    int result = input_.openVideoStream(path);
    if (result == 0) result = input_.openVideoDecoder(chooseDecoder(), threads_);
    if (result == 0) {
        const bool source = !toBGRA_ || width < 1 || height < 1;
        outWidth_ = source ? input_.width() : width;
        outHeight_ = source ? input_.height() : height;
        decoded_ = ffh::makeFrame();
        if (!decoded_) {
            releaseResource();
            result = ResultCode::kMediaError;
        }
    }
    error_ = result != 0;
    return result;
}

int FFMpegVideoDecoder::fillFrame() {
    if (framePending_) {
        framePending_ = false;
        return 0;
    }
    return input_.receiveFrame(decoded_.get());
}

VideoSrcFrame* FFMpegVideoDecoder::readNextVideoFrame() {
    std::unique_ptr<FFMpegVSrcFrame> decoded(readNextDecodedFrame());
    return decoded ? convertFrame(*decoded) : nullptr;
}

FFMpegVSrcFrame* FFMpegVideoDecoder::readNextDecodedFrame() {
    if (error_ || !decoded_) return nullptr;
    const int filled = fillFrame();
    if (filled < 0) {
        if (filled != AVERROR_EOF) readError_ = filled;
        return nullptr;
    }
    const double seconds = input_.ticksToSeconds(input_.frameTicks(decoded_.get()));
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) {
        av_frame_unref(decoded_.get());
        readError_ = AVERROR(ENOMEM);
        return nullptr;
    }
    av_frame_move_ref(frame.get(), decoded_.get());
    return new FFMpegVSrcFrame(frame.release(), seconds);
}

FFMpegVSrcFrame* FFMpegVideoDecoder::convertFrame(const FFMpegVSrcFrame& decoded) {
    AVFrame* frame = decoded.frame() ? converter_.convert(decoded.frame(), outWidth_, outHeight_)
                                     : nullptr;
    if (!frame) {
        LogSystem::e(kTag, "frame conversion failed");
        readError_ = AVERROR(ENOMEM);
        return nullptr;
    }
    return new FFMpegVSrcFrame(frame, decoded.seconds());
}

int FFMpegVideoDecoder::seekTo(double seconds) {
    if (error_ || !decoded_) return ResultCode::kWrongState;
    const int64_t ticks = input_.secondsToTicks(seconds);
    framePending_ = false;
    readError_ = 0;
    av_frame_unref(decoded_.get());
    if (input_.seekBackward(ticks) < 0) return ResultCode::kMediaError;
    while (input_.receiveFrame(decoded_.get()) == 0) {
        if (input_.frameTicks(decoded_.get()) >= ticks) {
            framePending_ = true;
            break;
        }
    }
    return 0;
}

int FFMpegVideoDecoder::getVideoWidth() { return input_.width(); }

int FFMpegVideoDecoder::getVideoHeight() { return input_.height(); }

double FFMpegVideoDecoder::getVideoDuration() { return input_.videoDuration(); }

double FFMpegVideoDecoder::getAudioDuration() { return input_.audioDuration(); }

double FFMpegVideoDecoder::getFrameRate() { return input_.frameRate(); }

int FFMpegVideoDecoder::getBitRate() { return input_.bitRate(); }

int FFMpegVideoDecoder::getTotalVideoFrames() { return input_.totalFrames(); }

int FFMpegVideoDecoder::getFrameBufferSize() {
    return converter_.bufferSize(outWidth_, outHeight_);
}

int FFMpegVideoDecoder::getMetadataEntry(const char* key, const char** value) {
    return input_.metadataEntry(key, value);
}

VideoColour FFMpegVideoDecoder::getColour() {
    const AVCodecContext* c = input_.codec();
    if (!c) return VideoColour::bt709();
    const bool full = c->color_range == AVCOL_RANGE_JPEG || c->pix_fmt == AV_PIX_FMT_YUVJ420P ||
                      c->pix_fmt == AV_PIX_FMT_YUVJ422P || c->pix_fmt == AV_PIX_FMT_YUVJ444P;
    return VideoColour::readAs(c->colorspace, c->color_primaries, c->color_trc,
                               full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG, c->width, c->height);
}

void FFMpegVideoDecoder::releaseResource() {
    framePending_ = false;
    readError_ = 0;
    decoded_.reset();
    input_.close();
    outWidth_ = 0;
    outHeight_ = 0;
}
