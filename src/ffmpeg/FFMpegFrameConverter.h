#pragma once

// Turns decoded frames into newly allocated frames of one packed pixel
// format. Steps per frame: 1. pick the output size, 2. take a buffer from
// the pool, 3. copy (same format and size) or scale into it.
// YUV sources are read with their own matrix and range: the frame's colour
// space (BT.709 when unspecified at HD sizes, else BT.601) and its range (full
// for the yuvj formats and JPEG range, else limited); RGB output is full range,
// YUV output keeps the source's matrix and range.
// The media and the playback layers convert through this class alone.
// The scaler is cached and rebuilt only when the source size or format
// changes. One object per thread.

#include "FFMpegHandles.h"

class FFMpegFrameConverter {
  public:
    // dstFormat: output pixel format; swsFlags: scaler flags (SWS_*).
    FFMpegFrameConverter(AVPixelFormat dstFormat, int swsFlags);

    // A new frame in the output format at dstWidth x dstHeight (a value
    // below 1 means the source's), planes packed one after another at
    // alignment 1 in one buffer (a BGRA frame has stride = width x 4).
    // The caller owns the frame (av_frame_free); its buffer returns to the
    // pool, which may outlive this converter. Null on failure.
    AVFrame* convert(const AVFrame* src, int dstWidth, int dstHeight);

    // Same into the caller's buffer of bufferSize() + kScalerSlack bytes; 0
    // or a negative FFmpeg code.
    int convertInto(const AVFrame* src, uint8_t* dst, int dstWidth, int dstHeight);
    // Same into the planes of `dst` as the caller laid them out (data and
    // linesize set, its width and height the output size, kScalerSlack bytes
    // past the last plane); its format must be the output format.
    int convertInto(const AVFrame* src, AVFrame* dst);

    // Bytes of one packed output picture; 0 for an invalid size.
    int bufferSize(int width, int height) const;

    // Bytes to allocate past a packed picture: libswscale's vector code
    // stores a little beyond the last row.
    static constexpr int kScalerSlack = 64;
    // `swsFlags` made safe for a source `width`: the fast YUV-to-RGB path
    // leaves the last pixels of each row unwritten when the width exceeds 16
    // and its remainder modulo 16 is 1 to 7, so those widths take the
    // accurate (slower) path.
    static int scalerFlags(int swsFlags, int width);
    // The SWS_CS_* matrix for a frame's AVColorSpace and size.
    static int scalerColourSpace(int colourSpace, int width, int height);
    // Sizes read as BT.709 when the stream states no colour space.
    static bool isHighDefinition(int width, int height);

    AVPixelFormat dstFormat() const { return dstFormat_; }

  private:
    AVBufferRef* takeBuffer(int size);

    AVPixelFormat dstFormat_;
    int swsFlags_;
    ffh::SwsPtr sws_;
    ffh::BufferPoolPtr pool_;
    int poolSize_ = 0;
};
