#include "FFMpegDecoder360G.h"

#include <algorithm>
#include <cmath>

#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const kTag = "FFMDec360G";

// Stream ticks at or before `seconds` (a container seek from there cannot skip the frame on
// screen), clamped well inside the 64-bit range.
int64_t ticksAtOrBefore(double seconds, AVRational timeBase) {
    const double limit = 4e18;
    return static_cast<int64_t>(
        std::clamp(std::floor(seconds * timeBase.den / timeBase.num), -limit, limit));
}

}  // namespace

FFMpegDecoder360G::FFMpegDecoder360G()
    : input_(kTag, "avformat_open_input(\"%s\") failed, error: %d, reason:%s"),
      converter_(AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR) {}

FFMpegDecoder360G::~FFMpegDecoder360G() { releaseResource(); }

int FFMpegDecoder360G::initWithFilePath(const char* path) {
    releaseResource();
    int result = input_.openVideoStream(path);
    if (result == 0) result = input_.openVideoDecoder(input_.foundDecoder(), threads_);
    if (result == 0) {
        decoded_ = ffh::makeFrame();
        held_ = ffh::makeFrame();
        if (!decoded_ || !held_) {
            releaseResource();
            result = ResultCode::kMediaError;
        }
    }
    error_ = result != 0;
    return result;
}

int FFMpegDecoder360G::getVideoWidth() { return input_.width(); }

int FFMpegDecoder360G::getVideoHeight() { return input_.height(); }

double FFMpegDecoder360G::getVideoDuration() { return input_.videoDuration(); }

double FFMpegDecoder360G::getDuration() { return input_.duration(); }

double FFMpegDecoder360G::getAudioDuration() { return input_.audioDuration(); }

int FFMpegDecoder360G::getTotalVideoFrames() { return input_.totalFrames(); }

int FFMpegDecoder360G::seekTo(double seconds) {
    if (error_ || !decoded_) return ResultCode::kWrongState;
    int err = input_.seekBackward(ticksAtOrBefore(seconds, input_.stream()->time_base));
    if (err < 0) {
        LogSystem::e(kTag, "av_seek_frame() failed, error: %d.", err);
        return ResultCode::kMediaError;
    }
    dropHeld();
    pending_ = false;
    av_frame_unref(decoded_.get());
    armed_ = seconds > 0;
    target_ = seconds;
    return 0;
}

// Steps per read: 1. take decoded frames in order; 2. without a seek target
// deliver the first; 3. with one keep the latest frame before the target and
// deliver the frame at the target, or the kept one once a later frame shows
// (that later frame is the next read's); 4. at the end deliver a kept frame.
AVFrame** FFMpegDecoder360G::readNextVideoFrame() {
    if (error_ || !decoded_) return nullptr;
    while (nextDecoded() == 0) {
        if (!armed_) return deliver(decoded_.get());
        const int order = compareStartWithTarget(input_.frameTicks(decoded_.get()));
        if (order < 0) {
            dropHeld();
            av_frame_move_ref(held_.get(), decoded_.get());
            holding_ = true;
            continue;
        }
        armed_ = false;
        if (order == 0) {
            dropHeld();
            return deliver(decoded_.get());
        }
        pending_ = true;
        break;
    }
    armed_ = false;
    if (!holding_) return nullptr;
    holding_ = false;
    return deliver(held_.get());
}

// The frame's start (ticks x time base, one rounding to a double) against the target as given:
// a target of i/30.0 s is frame i's start, 0.49 s lies before frame 15 of a 30 fps clip.
int FFMpegDecoder360G::compareStartWithTarget(int64_t ticks) const {
    if (ticks == AV_NOPTS_VALUE) return -1;
    const AVRational tb = input_.stream()->time_base;
    const double start = static_cast<double>(ticks) * tb.num / tb.den;
    return start < target_ ? -1 : start > target_ ? 1 : 0;
}

int FFMpegDecoder360G::nextDecoded() {
    if (pending_) {
        pending_ = false;
        return 0;
    }
    return input_.receiveFrame(decoded_.get());
}

// Converts `frame` into a new cell and empties it.
AVFrame** FFMpegDecoder360G::deliver(AVFrame* frame) {
    AVFrame* bgra = converter_.convert(frame, 0, 0);
    av_frame_unref(frame);
    return bgra ? new AVFrame*(bgra) : nullptr;
}

void FFMpegDecoder360G::dropHeld() {
    if (held_) av_frame_unref(held_.get());
    holding_ = false;
}

int FFMpegDecoder360G::getMetadataEntry(const char* key, const char** value) {
    return input_.metadataEntry(key, value);
}

void FFMpegDecoder360G::releaseResource() {
    held_.reset();
    holding_ = false;
    armed_ = false;
    pending_ = false;
    decoded_.reset();
    input_.close();
}
