#pragma once

// A decoded frame made by FFMpegVideoDecoder: owns its AVFrame (and through
// it the pixel buffer) and its presentation time.

#include "FFMpegHandles.h"
#include "VideoSrcFrame.h"

class FFMpegVSrcFrame : public VideoSrcFrame {
  public:
    // Takes ownership of `frame` (may be null); `secs`: presentation time.
    FFMpegVSrcFrame(AVFrame* frame, double secs);

    // data[0] of the frame, null without a frame.
    const unsigned char* getDatePtr() override;
    double getFrameSecs() override;
    double seconds() const { return secs_; }

    // The frame itself (borrowed), for its size and format.
    const AVFrame* frame() const { return frame_.get(); }

  private:
    ffh::FramePtr frame_;
    double secs_;
};
