#pragma once

#include "FFMpegHandles.h"

namespace QtAV {

// The decoder of one stream of an open input. Used by one thread at a time.
class StreamDecoder {
public:
    // Opens the stream's codec with automatic threading. False when the codec
    // is missing or cannot be opened; the decoder is then closed.
    bool open(const AVStream* stream);
    bool isOpen() const { return context != nullptr; }
    AVCodecContext* codec() const { return context.get(); }

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

private:
    ffh::CodecContextPtr context;
    AVRational timeBase{0, 1};
};

}  // namespace QtAV
