#pragma once

// Decoder of raw H.264 access units into BGRA pictures of a size fixed at
// construction. Each decoded picture is scaled from its own size and format
// to that size. One thread at a time. Logs under "FFMpegStreamDecoder".

#include <QByteArray>

#include "FFMpegCodecDecoder.h"
#include "FFMpegFrameConverter.h"

class FFMpegStreamDecoder {
  public:
    // width, height: size of the returned pictures in pixels (above 0).
    FFMpegStreamDecoder(int width, int height);
    ~FFMpegStreamDecoder();
    FFMpegStreamDecoder(const FFMpegStreamDecoder&) = delete;
    FFMpegStreamDecoder& operator=(const FFMpegStreamDecoder&) = delete;

    // Decodes one access unit of `length` bytes, at most 200,064 (the data is
    // copied). The picture that comes out, as width x height x 4 bytes of
    // packed BGRA, or an empty array when none comes out, the unit is longer
    // or on an error.
    QByteArray decodeBuf(const unsigned char* data, int length);

    int getFrameWidth();
    int getFrameHeight();

    void releaseResource();

  private:
    bool error_ = true;
    int width_;
    int height_;
    FFMpegCodecDecoder codec_;
    ffh::PacketPtr packet_;
    ffh::FramePtr decoded_;
    FFMpegFrameConverter converter_;
};
