#pragma once

#include <QString>

#include "VideoFrame.h"

// Test clips made with the ffmpeg tool beside the test executable.
namespace QtavFixture {

struct Clip {
    double seconds = 3;
    int fps = 30;
    bool video = true;
    bool audio = true;
};

// Clip frames are 68x36 (rows not a multiple of 32 bytes once in BGRA); frame n
// shows n in binary as eight 8-pixel-wide columns (bit i white in column i).
constexpr int kWidth = 68;
constexpr int kHeight = 36;

// Writes the clip as an MP4 (H.264 with B-frames and a key frame every 15
// frames, AAC 440 Hz sine) into a fresh folder; returns its path, "" on failure.
QString make(const QString& name, const Clip& clip);

// The index drawn into a frame of any pixel format, -1 when unreadable.
int frameIndex(const QtAV::VideoFrame& frame);

}  // namespace QtavFixture
