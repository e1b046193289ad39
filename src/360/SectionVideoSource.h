#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "FFMpegFrameConverter.h"
#include "VideoColour.h"

class FFMpegVideoDecoder;
class FFMpegVSrcFrame;

// The frames of a time range of a recording for the video-based sections, one per output
// frame at 27 a second: output frame n shows the source frame on screen at n / 27 s after the
// first one (the last whose time stamp is not later, as a frame-rate conversion does), so a
// source of any rate keeps its speed and stays with its sound; a frame is repeated or
// skipped as the rates demand. Frames are decoded ahead on a thread of the source's own, and
// only the frames picked are converted: to packed BGRA, or, planar, kept in the decoder's own
// YUV 4:2:0 planes (by line size) whenever the decoder gives that layout. The calls below are
// made by one thread (in a job, the dispatch thread).
class SectionVideoSource {
  public:
    // Seconds: a startTime of 0 or less (or NaN) starts at the beginning, an endTime below 0
    // runs to the end (the probed length). Any value is safe: counts are bounded by framesIn.
    SectionVideoSource(QString srcPath, double startTime, double endTime);
    ~SectionVideoSource();
    SectionVideoSource(const SectionVideoSource&) = delete;
    SectionVideoSource& operator=(const SectionVideoSource&) = delete;

    // Opens the decoder with packed BGRA frames of width x height (below 1: the source size),
    // or with `planar` YUV 4:2:0 frames at the source size. 0; -2 when the range is empty (no
    // length); otherwise the decoder's code.
    int open(int width, int height, bool planar = false);
    // Moves to the start frame when there is one; 0 or the decoder's code. Before next().
    int seekToStart();
    // Planar: the line sizes of the Y and of the U and V planes of every picture handed out,
    // read from the first frame (after seekToStart, before next()). Packed when the decoder
    // gives another layout, whose pictures are then converted to it.
    void planeStrides(int* luma, int* chroma);
    // The pixels of the next output frame (owned until release; a repeated frame is handed
    // out once per output frame), or null at the end of the range or of the stream, or when
    // the source failed; *failure is then set to -6 for a frame without pixels, -12 for a
    // failed read or a stream whose frames end more than kShortfall frames before its stated
    // duration (a file cut short).
    void* next(int* failure);
    // The same picture with its planes and line sizes (owned until release of its data[0]).
    const AVFrame* nextPicture(int* failure);
    // Gives back one hand-out of these pixels; unknown pixels: nothing.
    void release(void* pixels);
    // Stops the decoding, frees every frame and the decoder.
    void releaseAll();

    const QString& path() const { return srcPath; }
    double startTime() const { return start; }
    int totalFrames() const { return frames; }
    // Output frames handed out.
    int framesRead() const { return read; }
    // Source size and colour of the open decoder; 0 and BT.709 when none.
    int sourceWidth() const { return width; }
    int sourceHeight() const { return height; }
    const VideoColour& colour() const { return sourceColour; }

    // Frames of the produced stream a second.
    static constexpr double kRate = 27.0;
    // The most frames a section counts: 31 days, so that the sums over a job's sections stay
    // well within an int.
    static constexpr int kMaxFrames = 27 * 86400 * 31;
    // Output frames in `seconds`: the integer part of seconds x 27 + 0.5, clamped to
    // [0, kMaxFrames] (0 for NaN).
    static int framesIn(double seconds);
    // Output frames a source may fall short of its stated duration by (rounding of the last
    // frame's time and interval).
    static constexpr int kShortfall = 2;

  private:
    using Frame = std::shared_ptr<FFMpegVSrcFrame>;
    // One output frame as the decoding thread hands it over.
    struct Shown {
        Frame frame;  // null: the end
        int failure = 0;
    };

    void decodeAhead();
    bool readUpcoming(Frame* upcoming, int* failure);
    Frame present(const Frame& decoded, int* failure);
    bool fitsLayout(const AVFrame* frame) const;
    int checkLength(int handed) const;
    bool hand(Shown shown);
    void stopDecoding();

    const QString srcPath;
    double start;
    double end;
    int startFrame = 0;
    int remaining = 0;
    int frames = 0;
    // Output frames the stream's stated duration holds within the range (set by open).
    int statedFrames = 0;
    int read = 0;
    int width = 0;
    int height = 0;
    VideoColour sourceColour = VideoColour::bt709();
    bool planar = false;
    // Planar pictures' line sizes (set by planeStrides), and the first decoded frame it read.
    int lumaStride = 0;
    int chromaStride = 0;
    Frame peeked;
    // The decoding thread's while it runs.
    std::unique_ptr<FFMpegVideoDecoder> decoder;
    FFMpegFrameConverter planarConverter{AV_PIX_FMT_YUV420P, SWS_FAST_BILINEAR};
    std::deque<Frame> framesInUse;
    std::thread decoding;

    // Guarded by lock.
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Shown> ready;
    bool stopping = false;
};
