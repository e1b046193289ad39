#include "FFMpegEncoder360G.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include "FFMpegEncodeSupport.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {
const char* const kTag = "FFMpegEncoder360G";
const AVRational kTimeBase = {1, 27};
const FFMpegEncodeSupport::SetupTexts kTexts = {
    kTag,
    "Could not allocate stream",
    "Could not alloc an encoding context",
    "Could not open video codec: %d, width:%d, height:%d, bitRate:%d",
    "Could not allocate video frame",
    "Could not initialize the rgbaFrame",
    ResultCode::kMediaError,
};
}  // namespace

FFMpegEncoder360G::FFMpegEncoder360G(const char* path, int width, int height, int bitRate,
                                     const char* comment, const VideoColour& colour)
    : width_(width), height_(height), bitRate_(bitRate) {
    initError_ = init(path, comment, colour);
}

FFMpegEncoder360G::~FFMpegEncoder360G() { endEncode(); }

int FFMpegEncoder360G::getInitError() { return initError_; }

// Steps: 1. container from the name; 2. H.264 stream; 3. open the codec and
// its frame; 4. open the file; 5. metadata; 6. header.
int FFMpegEncoder360G::init(const char* path, const char* comment, const VideoColour& colour) {
    packet_ = ffh::makePacket();
    if (!packet_) return ResultCode::kNoMemory;
    int result = allocOutput(path);
    if (result == 0) result = addStream(colour);
    if (result == 0) result = openCodec();
    if (result != 0) return result;
    av_dump_format(format_.get(), 0, path, 1);
    if (!(format_->oformat->flags & AVFMT_NOFILE)) {
        int err = avio_open(&format_->pb, path, AVIO_FLAG_WRITE);
        if (err < 0) {
            LogSystem::e(kTag, "Could not open '%s': %d", path, err);
            return ResultCode::kMediaError;
        }
    }
    if (comment) {
        int err = av_dict_set(&format_->metadata, "comment", comment, 0);
        if (err < 0) LogSystem::e(kTag, "Error occurred when add meta data: %d", err);
    }
    int err = avformat_write_header(format_.get(), nullptr);
    if (err < 0) {
        LogSystem::e(kTag, "Error occurred when opening output file: %d", err);
        return ResultCode::kMediaError;
    }
    return 0;
}

int FFMpegEncoder360G::allocOutput(const char* path) {
    AVFormatContext* raw = nullptr;
    int err = avformat_alloc_output_context2(&raw, nullptr, nullptr, path);
    if (!raw) {
        LogSystem::e(kTag, "avformat_alloc_output_context2 faile: %d, using MPEG", err);
        err = avformat_alloc_output_context2(&raw, nullptr, "mpeg", path);
    }
    if (!raw) {
        LogSystem::e(kTag, "avformat_alloc_output_context2 faile: %d, can not using MPEG", err);
        return ResultCode::kMediaError;
    }
    format_.reset(raw);
    return 0;
}

int FFMpegEncoder360G::addStream(const VideoColour& colour) {
    const AVCodec* codec = FFMpegEncodeSupport::findH264Encoder();
    if (!codec) {
        LogSystem::e(kTag, "Could not find encoder for '%s'", avcodec_get_name(AV_CODEC_ID_H264));
        return ResultCode::kSetupFailed;
    }
    const int result =
        FFMpegEncodeSupport::addH264Stream(kTexts, codec, format_.get(), out_, bitRate_, width_,
                                           height_, 12, kTimeBase, av_inv_q(kTimeBase));
    if (result == 0) FFMpegEncodeSupport::setColour(out_.enc.get(), colour);
    return result;
}

int FFMpegEncoder360G::openCodec() {
    int result = FFMpegEncodeSupport::openH264Codec(kTexts, out_);
    return result != 0 ? result : FFMpegEncodeSupport::allocYuvFrame(kTexts, out_);
}

int FFMpegEncoder360G::prepareBgra() {
    return out_.sws ? 0 : FFMpegEncodeSupport::allocBgraScaler(kTexts, out_);
}

// 0 when the YUV frame may take the next picture, else the frame's result.
int FFMpegEncoder360G::prepareFrame(const unsigned char* data) {
    if (initError_ != 0 || !out_.frame || !data) return ResultCode::kWrongState;
    int err = av_frame_make_writable(out_.frame.get());
    if (err < 0) {
        LogSystem::e(kTag, "av_frame_make_writable failed: %d", err);
        return ResultCode::kMediaError;
    }
    return 0;
}

int FFMpegEncoder360G::encodeArgbData(const unsigned char* bgra, int step) {
    const int result = loadArgbData(bgra);
    return result != 0 ? result : encodeLoaded(step);
}

int FFMpegEncoder360G::enncodeYuvData(const unsigned char* yuv, int step) {
    const int result = loadYuvData(yuv);
    return result != 0 ? result : encodeLoaded(step);
}

int FFMpegEncoder360G::loadArgbData(const unsigned char* bgra) {
    int result = prepareFrame(bgra);
    if (result == 0) result = prepareBgra();
    if (result != 0) return result;
    const int err = FFMpegEncodeSupport::scalePackedBgra(out_.sws.get(), out_.bgraFrame.get(), bgra,
                                                         out_.frame.get());
    if (err < 0) LogSystem::e(kTag, "sws_scale failed: %d", err);
    return err;
}

int FFMpegEncoder360G::loadYuvData(const unsigned char* yuv) {
    const int result = prepareFrame(yuv);
    if (result != 0) return result;
    const int err = FFMpegEncodeSupport::copyPacked(out_.frame.get(), yuv);
    if (err < 0) LogSystem::e(kTag, "av_image_fill_arrays failed: %d", err);
    return err;
}

int FFMpegEncoder360G::encodeLoaded(int step) {
    if (initError_ != 0 || !out_.frame) return ResultCode::kWrongState;
    return send(out_.frame.get(), step);
}

int FFMpegEncoder360G::encodeYuvBuffer(const AVBufferRef* yuv, int step) {
    if (initError_ != 0 || !out_.frame || !yuv) return ResultCode::kWrongState;
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame || av_frame_copy_props(frame.get(), out_.frame.get()) < 0)
        return ResultCode::kNoMemory;
    frame->format = out_.frame->format;
    frame->width = width_;
    frame->height = height_;
    const int size = av_image_fill_arrays(frame->data, frame->linesize, yuv->data,
                                          AV_PIX_FMT_YUV420P, width_, height_, 1);
    if (size < 0 || static_cast<size_t>(size) > yuv->size) return AVERROR(EINVAL);
    frame->buf[0] = av_buffer_ref(yuv);
    if (!frame->buf[0]) return ResultCode::kNoMemory;
    return send(frame.get(), step);
}

// `frame` stamped with the next time stamp, sent, and the packets ready written.
int FFMpegEncoder360G::send(AVFrame* frame, int step) {
    frame->pts = out_.nextPts;
    out_.nextPts += step;
    lastStep_ = step;
    int err = avcodec_send_frame(out_.enc.get(), frame);
    if (err < 0) return err;
    int writeError = 0;
    const int answer = FFMpegEncodeSupport::writeReadyPackets(
        format_.get(), out_.enc.get(), out_.st, packet_.get(), lastStep_, true, &writeError);
    // A packet the file refused (a full disk) fails the frame: the video would lack it.
    if (writeError < 0) {
        LogSystem::e(kTag, "Could not write packet: %d", writeError);
        return writeError;
    }
    return answer;
}

int FFMpegEncoder360G::endEncode(const std::atomic<bool>* stop) {
    const bool open = initError_ == 0 && out_.enc;
    // Sending the end already encodes a held frame: not even that once stopped.
    bool stopped = open && stop && stop->load();
    if (open && !stopped) {
        int err = avcodec_send_frame(out_.enc.get(), nullptr);
        if (err < 0) {
            LogSystem::e(kTag, "Error avcodec_send_frame: %d", err);
        } else {
            int writeError = 0;
            stopped = FFMpegEncodeSupport::writeReadyPackets(format_.get(), out_.enc.get(), out_.st,
                                                             packet_.get(), lastStep_, true,
                                                             &writeError, stop) == AVERROR_EXIT;
        }
    }
    if (initError_ == 0 && format_ && !stopped) av_write_trailer(format_.get());
    out_ = OutputStream();
    format_.reset();
    packet_.reset();
    return stopped ? ResultCode::kCancelled : 0;
}
