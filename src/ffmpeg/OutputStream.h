#pragma once

// One output stream of an encoder and what it needs per frame. Owned by the
// encoder; every handle is released with the record.

#include <cstdint>

#include "FFMpegHandles.h"

struct OutputStream {
    AVStream* st = nullptr;  // borrowed from the format context
    ffh::CodecContextPtr enc;
    int64_t nextPts = 0;      // codec time-base units
    ffh::FramePtr frame;      // YUV frame in the codec's format, reused
    ffh::FramePtr bgraFrame;  // planes point into the caller's buffer per frame
    ffh::SwsPtr sws;          // BGRA to the codec's format
    ffh::SwrPtr swr;          // not used by the video encoders
};
