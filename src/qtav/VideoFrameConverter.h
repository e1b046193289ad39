#pragma once

#include <memory>

#include "VideoFrame.h"

namespace QtAV {

// Converts frames to another pixel format at the same size. The result has
// rows packed (bytesPerLine = width x bytes per pixel for packed formats) and
// keeps the source's time stamp. Converts through the media layer's FFMpegFrameConverter
// (stream colour space and range honoured). The scaler is cached between calls of equal
// size and formats. One converter is used by one thread at a time.
class VideoFrameConverter {
  public:
    VideoFrameConverter();
    ~VideoFrameConverter();
    VideoFrameConverter(const VideoFrameConverter&) = delete;
    VideoFrameConverter& operator=(const VideoFrameConverter&) = delete;

    // An invalid frame (width and height 0) when the source is invalid, the
    // target format is invalid or the conversion fails. A source already in
    // the target format with packed rows is returned shared, without a copy.
    VideoFrame convert(const VideoFrame& frame, const VideoFormat& format) const;
    VideoFrame convert(const VideoFrame& frame, VideoFormat::PixelFormat format) const;

  private:
    struct Cache;
    std::unique_ptr<Cache> cache;  // converter of the last conversion
};

}  // namespace QtAV
