#pragma once

// One decoded video frame handed to the conversion pipeline. The holder
// deletes it through the virtual destructor.
class VideoSrcFrame {
  public:
    virtual ~VideoSrcFrame() = default;

    // First byte of the pixel data: packed BGRA rows (stride = width x 4) or
    // packed YUV 4:2:0 planes, as the producing decoder states. Valid while
    // the frame lives; null when the frame holds no picture.
    virtual const unsigned char* getDatePtr() = 0;

    // Presentation time in seconds.
    virtual double getFrameSecs() = 0;
};
