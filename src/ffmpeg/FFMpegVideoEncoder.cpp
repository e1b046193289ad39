#include "FFMpegVideoEncoder.h"

#include <cmath>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include "FFMpegEncodeSupport.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {
const char* const kTag = "ffmpegVEnc";
const FFMpegEncodeSupport::SetupTexts kTexts = {
    kTag,
    "Could not allocate stream!",
    "Could not alloc an encoding context!",
    "Could not open video codec: %d, width: %d, height: %d, bitRate: %d",
    "Could not allocate YUV frame",
    "Could not allocate ARGB frame",
    ResultCode::kNoMemory,
};

// fps above 0 (to a thousandth): 1/fps; else microseconds.
AVRational timeBaseFor(float fps) {
    const int milliFps = static_cast<int>(fps * 1000);
    if (fps <= 0 || milliFps <= 0) return AVRational{1, 1000000};
    return av_make_q(1000, milliFps);
}
}  // namespace

FFMpegVideoEncoder::FFMpegVideoEncoder() = default;

FFMpegVideoEncoder::~FFMpegVideoEncoder() { close(); }

void FFMpegVideoEncoder::setPreset(const char* preset) { preset_ = preset ? preset : ""; }

int FFMpegVideoEncoder::init(const char* path, int width, int height, bool fromBGRA, float fps,
                             int bitRate, int rotation) {
    return init(path, width, height, fromBGRA, fps, bitRate, List<const char*>(),
                List<const char*>(), rotation);
}

// Steps: 1. container from the name; 2. H.264 stream and codec; 3. file,
// metadata and header; 4. frames and scaler.
int FFMpegVideoEncoder::init(const char* path, int width, int height, bool fromBGRA, float fps,
                             int bitRate, const List<const char*>& keys,
                             const List<const char*>& values, int rotation) {
    if (open_) return ResultCode::kWrongState;
    width_ = width;
    height_ = height;
    fromBGRA_ = fromBGRA;
    AVFormatContext* raw = nullptr;
    int err = avformat_alloc_output_context2(&raw, nullptr, nullptr, path);
    if (!raw) {
        LogSystem::e(kTag, "avformat_alloc_output_context2 faile: %d, for file %s!", err, path);
        return ResultCode::kMediaError;
    }
    format_.reset(raw);
    int result = addStream(bitRate, fps);
    if (result == 0) result = openOutput(path, &keys, &values, rotation);
    if (result == 0) result = allocFrames();
    if (result != 0) {
        release();
        return result;
    }
    frameCounter_ = 0;
    lastPts_ = AV_NOPTS_VALUE;
    lastStep_ = fps > 0 ? 1 : 0;
    open_ = true;
    return 0;
}

int FFMpegVideoEncoder::addStream(int bitRate, float fps) {
    const AVCodec* codec = FFMpegEncodeSupport::findH264Encoder();
    if (!codec) {
        LogSystem::e(kTag, "Could not find encoder for H264!");
        return ResultCode::kSetupFailed;
    }
    packet_ = ffh::makePacket();
    if (!packet_) {
        LogSystem::e(kTag, "%s", kTexts.noStream);
        return ResultCode::kSetupFailed;
    }
    const AVRational timeBase = timeBaseFor(fps);
    // With microsecond stamps x264 would budget bits for 1,000,000 frames a
    // second: give it the cameras' nominal 30 instead.
    const AVRational frameRate = fps > 0 ? av_inv_q(timeBase) : AVRational{30, 1};
    int result = FFMpegEncodeSupport::addH264Stream(kTexts, codec, format_.get(), out_, bitRate,
                                                    width_, height_, 15, timeBase, frameRate);
    if (result != 0) return result;
    if (!preset_.empty()) av_opt_set(out_.enc->priv_data, "preset", preset_.c_str(), 0);
    return FFMpegEncodeSupport::openH264Codec(kTexts, out_);
}

int FFMpegVideoEncoder::openOutput(const char* path, const List<const char*>* keys,
                                   const List<const char*>* values, int rotation) {
    int err = avio_open(&format_->pb, path, AVIO_FLAG_WRITE);
    if (err < 0) {
        LogSystem::e(kTag, "Could not open '%s': %d", path, err);
        return ResultCode::kMediaError;
    }
    if (keys->size() == values->size()) {
        for (size_t i = 0; i < keys->size(); ++i)
            av_dict_set(&format_->metadata, (*keys)[i], (*values)[i], 0);
    }
    av_dict_set_int(&out_.st->metadata, "rotate", rotation, 0);
    // The muxers of this FFmpeg take the rotation from the display matrix
    // (the tag: degrees clockwise).
    uint8_t* matrix =
        av_stream_new_side_data(out_.st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t));
    if (matrix) av_display_rotation_set(reinterpret_cast<int32_t*>(matrix), rotation);
    err = avformat_write_header(format_.get(), nullptr);
    if (err < 0) {
        LogSystem::e(kTag, "Error occurred when opening output file: %d", err);
        return ResultCode::kMediaError;
    }
    return 0;
}

int FFMpegVideoEncoder::allocFrames() {
    int result = FFMpegEncodeSupport::allocYuvFrame(kTexts, out_);
    if (result == 0 && fromBGRA_) result = FFMpegEncodeSupport::allocBgraScaler(kTexts, out_);
    return result;
}

// Seconds in the stream's time base; not above 0: the frame counter.
int64_t FFMpegVideoEncoder::nextPts(double seconds) {
    const AVRational tb = out_.enc->time_base;
    int64_t pts = seconds > 0 ? std::llround(seconds * tb.den / tb.num) : frameCounter_;
    ++frameCounter_;
    if (lastPts_ != AV_NOPTS_VALUE) {
        if (pts <= lastPts_) pts = lastPts_ + 1;
        lastStep_ = pts - lastPts_;
    }
    lastPts_ = pts;
    return pts;
}

int FFMpegVideoEncoder::encode(const unsigned char* data, double seconds) {
    if (!open_) return ResultCode::kWrongState;
    if (!data) return AVERROR(EINVAL);
    AVFrame* yuv = out_.frame.get();
    int err = av_frame_make_writable(yuv);
    if (err < 0) return err;
    err = fromBGRA_ ? FFMpegEncodeSupport::scalePackedBgra(out_.sws.get(), out_.bgraFrame.get(),
                                                           data, yuv)
                    : FFMpegEncodeSupport::copyPacked(yuv, data);
    if (err < 0) {
        LogSystem::e(kTag, "Could not convert the picture (error '%s')", ffh::errorText(err));
        return err;
    }
    yuv->pts = nextPts(seconds);
    return sendAndWrite(yuv);
}

// Sends `frame` (null: end of stream) and writes what the codec has ready.
int FFMpegVideoEncoder::sendAndWrite(AVFrame* frame) {
    int err = avcodec_send_frame(out_.enc.get(), frame);
    if (err < 0) {
        LogSystem::e(kTag, "Could not feed encode data (error '%s')", ffh::errorText(err));
        return err;
    }
    int writeError = 0;
    err = FFMpegEncodeSupport::writeReadyPackets(format_.get(), out_.enc.get(), out_.st,
                                                 packet_.get(), lastStep_, false, &writeError);
    if (err != AVERROR(EAGAIN) && err != AVERROR_EOF) {
        LogSystem::e(kTag, "Could not receive encoded data (error '%s')", ffh::errorText(err));
        return err;
    }
    if (writeError < 0) {
        LogSystem::e(kTag, "Could not write packet (error '%s')", ffh::errorText(writeError));
        return writeError;
    }
    return 0;
}

int FFMpegVideoEncoder::close() {
    if (!open_) return ResultCode::kWrongState;
    sendAndWrite(nullptr);
    av_write_trailer(format_.get());
    release();
    return 0;
}

void FFMpegVideoEncoder::release() {
    open_ = false;
    out_ = OutputStream();
    format_.reset();
    packet_.reset();
}
