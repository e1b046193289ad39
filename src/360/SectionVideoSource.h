#pragma once

#include <QString>

#include <deque>
#include <memory>

class FFMpegVideoDecoder;
class VideoSrcFrame;

// The frames of a time range of a recording for the video-based sections: frames are counted
// at 27 a second, each decoded frame becomes one output frame whatever its time stamp.
// Dispatch thread only.
class SectionVideoSource {
  public:
    // Seconds: a startTime of 0 or less starts at the beginning, an endTime below 0 runs to
    // the end (the probed length).
    SectionVideoSource(QString srcPath, double startTime, double endTime);
    ~SectionVideoSource();
    SectionVideoSource(const SectionVideoSource&) = delete;
    SectionVideoSource& operator=(const SectionVideoSource&) = delete;

    // Opens the decoder with BGRA frames of width x height (below 1: the source size). 0; -2
    // when the range is empty (no length); otherwise the decoder's code.
    int open(int width, int height);
    // Moves to the start frame when there is one; 0 or the decoder's code.
    int seekToStart();
    // The next frame's pixels (owned until release), or null at the end of the range, at the
    // end of the stream, or when a frame has no pixels (then *failed is set).
    void* next(bool* failed);
    // Frees the frame handed out with these pixels; unknown pixels: nothing.
    void release(void* pixels);
    // Frees every frame handed out and the decoder.
    void releaseAll();

    const QString& path() const { return srcPath; }
    double startTime() const { return start; }
    int totalFrames() const { return frames; }
    int framesRead() const { return read; }
    // Source size of the open decoder; 0 when none.
    int sourceWidth() const;
    int sourceHeight() const;

    // Frames of the produced stream a second.
    static constexpr double kRate = 27.0;

  private:
    const QString srcPath;
    double start;
    double end;
    int startFrame = 0;
    int remaining = 0;
    int frames = 0;
    int read = 0;
    std::unique_ptr<FFMpegVideoDecoder> decoder;
    std::deque<VideoSrcFrame*> framesInUse;
};
