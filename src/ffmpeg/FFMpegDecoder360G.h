#pragma once

// Frame-exact decoder of one video file to BGRA. After seekTo(t) the next
// read returns the frame on screen at time t. Synchronous; one thread at a
// time. Logs under "FFMDec360G".

#include <cstdint>

#include "FFMpegFrameConverter.h"
#include "FFMpegMediaInput.h"

class FFMpegDecoder360G {
  public:
    FFMpegDecoder360G();
    ~FFMpegDecoder360G();
    FFMpegDecoder360G(const FFMpegDecoder360G&) = delete;
    FFMpegDecoder360G& operator=(const FFMpegDecoder360G&) = delete;

    // Decoding threads for the next initWithFilePath (0 = one per core,
    // default 1). Which frame a seek lands on does not depend on it.
    void setDecodeThreads(int threads) { threads_ = threads; }

    // 0, -30 missing file, -3 the stream has no pixel format, -2 otherwise.
    int initWithFilePath(const char* path);

    int getVideoWidth();
    int getVideoHeight();
    double getVideoDuration();  // seconds
    // Seconds: the media's, the container's else the video stream's; what the player shows.
    double getDuration();
    double getAudioDuration();  // seconds, first audio stream, 0 without
    int getTotalVideoFrames();  // as the container states it

    // Arms frame-exact delivery of the frame on screen at `seconds` (above
    // 0; 0 or less just rewinds to the key frame). 0, -10001 not open, -2.
    int seekTo(double seconds);

    // The next frame as a new cell holding a new AV_PIX_FMT_BGRA frame of
    // the video's size with packed rows (linesize[0] = width x 4). The
    // caller owns both: av_frame_unref + av_frame_free the frame, then
    // delete the cell. Null at the end, on an error or when not open.
    AVFrame** readNextVideoFrame();

    // First container metadata entry whose key begins with `key` (case
    // ignored): 0 and *value (owned by the decoder, valid while open),
    // -7 no entry, -10001 nothing open.
    int getMetadataEntry(const char* key, const char** value);

    void releaseResource();

  private:
    int compareStartWithTarget(int64_t ticks) const;
    int nextDecoded();
    AVFrame** deliver(AVFrame* frame);
    void dropHeld();

    bool error_ = false;
    FFMpegMediaInput input_;
    FFMpegFrameConverter converter_;
    ffh::FramePtr decoded_;
    int threads_ = 1;
    // Frame-exact seek: target in seconds while armed, and the last
    // decoded frame before it (not yet converted).
    bool armed_ = false;
    double target_ = 0.0;
    ffh::FramePtr held_;
    bool holding_ = false;
    // decoded_ holds the frame after the target, for the next read.
    bool pending_ = false;
};
