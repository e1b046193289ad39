#pragma once

// The input side shared by the decoders: one file, its best video stream and
// an open decoder for it, read frame by frame in presentation order.
// Opening runs in two steps so that a caller may swap the decoder:
// 1. openStream: open the container, read stream info, pick the stream;
// 2. openCodec: set up and open the decoder, take the durations.
// Errors are logged at error level under the tag given to the constructor.
// One object per thread.

#include <string>

#include "FFMpegHandles.h"

class FFMpegVideoInput {
public:
    // tag: log tag; openFailedFormat: printf format of the open failure,
    // taking the path, the FFmpeg code and its text. Both are borrowed and
    // must outlive the object.
    FFMpegVideoInput(const char* tag, const char* openFailedFormat);

    // 0, -30 missing file, -2 any other failure (all resources released).
    int openStream(const char* path);
    // The decoder that openStream found for the stream.
    const AVCodec* foundDecoder() const { return decoder_; }
    // Opens `decoder` with `threads` decoding threads (0 = one per core).
    // 0, -2 (resources released), -3 the stream has no pixel format
    // (resources kept until close()).
    int openCodec(const AVCodec* decoder, int threads);

    void close();

    // Next decoded frame into `frame` (its old content is dropped): 0, or a
    // negative code once the stream is drained or on an error. Every frame
    // the codec holds at the end of the file is handed out first.
    int receiveFrame(AVFrame* frame);

    // Container seek to the key frame at or before `ticks` (stream time
    // base), then a fresh decoder state: 0 or the FFmpeg error.
    int seekBackward(int64_t ticks);

    // Seconds to stream ticks, rounded as t x den / num + 0.5 truncated.
    int64_t secondsToTicks(double seconds) const;
    double ticksToSeconds(int64_t ticks) const;
    // A decoded frame's time in stream ticks: its best-effort time stamp,
    // else the time of the last video packet read.
    int64_t frameTicks(const AVFrame* frame) const;

    // As in the decoders' interfaces; 0 when nothing is open.
    int width() const;
    int height() const;
    double videoDuration() const { return videoDuration_; }
    double audioDuration() const { return audioDuration_; }
    double frameRate() const;
    int bitRate() const;
    int totalFrames() const;
    // 0 and *value (owned by the container), -7 no entry, -10001 not open.
    int metadataEntry(const char* key, const char** value) const;

    bool isOpen() const { return codec_ != nullptr; }
    AVStream* stream() const { return stream_; }
    AVCodecContext* codec() const { return codec_.get(); }

private:
    int fail(int code);
    int feedOnePacket();

    const char* tag_;
    const char* openFailedFormat_;
    std::string path_;
    ffh::InputFormatPtr format_;
    ffh::CodecContextPtr codec_;
    ffh::PacketPtr packet_;
    const AVCodec* decoder_ = nullptr;
    AVStream* stream_ = nullptr;
    int streamIndex_ = -1;
    double videoDuration_ = 0.0;
    double audioDuration_ = 0.0;
    // Reading state: container exhausted, drain packet sent, dts of the
    // last video packet read (stream ticks).
    bool endOfInput_ = false;
    bool drainSent_ = false;
    int64_t lastPacketDts_ = AV_NOPTS_VALUE;
};
