#pragma once

#include "FFMpegHandles.h"

// The decoder of one stream: a codec context fed packets and drained of
// frames. Used by one thread at a time; it may pass to another thread
// between uses.
class FFMpegCodecDecoder {
  public:
    // avformat_find_stream_info with its probe decoders held to PictureLimits::kMaxPixels, so
    // that probing allocates no larger picture. FFmpeg's code.
    static int findStreamInfo(AVFormatContext* format);

    // Opens `codec` with the stream's parameters and time base and `threads`
    // decoding threads (0 = one per core). 0, or the FFmpeg code of the call
    // that failed, named in *failedCall when given; the decoder is then closed.
    // A picture above PictureLimits::kMaxPixels found in the stream is refused by
    // the codec (no frame, nothing of its size allocated).
    int open(const AVStream* stream, const AVCodec* codec, int threads,
             const char** failedCall = nullptr);
    // The same for access units without a container: `parameters` may be null.
    int open(const AVCodecParameters* parameters, AVRational timeBase, const AVCodec* codec,
             int threads, const char** failedCall = nullptr);
    void close();

    bool isOpen() const { return context_ != nullptr; }
    // Borrowed; null when closed.
    AVCodecContext* context() const { return context_.get(); }

    // avcodec_send_packet; null drains. Returns FFmpeg's code.
    int send(const AVPacket* packet);
    // avcodec_receive_frame into `frame` (unreferenced first). 0 on a frame,
    // AVERROR(EAGAIN) when more input is needed, AVERROR_EOF when drained.
    int receive(AVFrame* frame);
    // Drops buffered frames and leaves draining mode (after a seek).
    void flush();

    // Presentation time in seconds of a decoded frame relative to `origin`
    // (seconds), or `fallback` when the frame has no time stamp.
    double seconds(const AVFrame* frame, double origin, double fallback) const;
    // Duration in seconds of a decoded frame, or `fallback` when the packet stated none.
    double durationSeconds(const AVFrame* frame, double fallback) const;

  private:
    ffh::CodecContextPtr context_;
    AVRational timeBase_{0, 1};
};
