#pragma once

#include <QString>
#include <QStringList>

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

// Runs the ffmpeg tool with `args`; true when it succeeded.
bool runFfmpeg(const QStringList& args);

// Four frames at time scale 1, one every 2^24 s (time stamps near 2^25 s).
QString makeHugeTimestamps(const QString& name);

// A clip of one second that loads but whose pictures are all zeros, so none decodes.
QString makeUndecodable(const QString& name);

// ADTS sound whose format changes half way: 0.6 s of 48 kHz stereo, then
// 0.6 s of 22.05 kHz mono.
QString makeAudioFormatChange(const QString& name);

// The index drawn into a frame of any pixel format, -1 when unreadable.
int frameIndex(const QtAV::VideoFrame& frame);

}  // namespace QtavFixture
