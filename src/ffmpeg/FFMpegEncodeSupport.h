#pragma once

// Steps shared by the H.264 encoders.

#include "FFMpegHandles.h"

namespace FFMpegEncodeSupport {

// The H.264 encoder: libx264 when present, else the library's default.
const AVCodec* findH264Encoder();

// Largest frame side the encoders take, in pixels: larger frames are
// refused like sizes the codec cannot open, before anything is allocated.
constexpr int kMaxFrameSide = 8192;

// avcodec_open2 for a video encoder, refusing sizes outside
// [1, kMaxFrameSide] first: 0 or a negative FFmpeg code.
int openVideoCodec(AVCodecContext* codec);

// Sets format, size and a buffer at alignment 32 on `frame`: 0 or the
// FFmpeg error.
int allocFrameBuffer(AVFrame* frame, AVPixelFormat format, int width, int height);

// Points `frame`'s planes at a packed picture (alignment 1) in `data`,
// which is borrowed and must outlive the use of the frame.
void wrapPacked(AVFrame* frame, const uint8_t* data, AVPixelFormat format, int width,
                int height);

// Copies a packed picture (alignment 1) of `frame`'s format and size into
// `frame`'s own planes.
void copyPacked(AVFrame* frame, const uint8_t* data);

// Takes every packet `codec` has ready, gives it `duration` (codec time
// base) when the codec set none, moves its time stamps from the codec's to
// `stream`'s time base and writes it (interleaved or not). The duration
// keeps the container from cutting the last frame.
// Returns the codec's last answer (AVERROR(EAGAIN) or AVERROR_EOF when all
// went well); *writeError gets the first write failure, else 0.
int writeReadyPackets(AVFormatContext* format, AVCodecContext* codec, AVStream* stream,
                      AVPacket* packet, int64_t duration, bool interleaved, int* writeError);

}  // namespace FFMpegEncodeSupport
