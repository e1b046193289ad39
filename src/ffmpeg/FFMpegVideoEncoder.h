#pragma once

// Writes an H.264 file (GOP 15, High profile, level 5.1, YUV 4:2:0, no
// B-frames) from packed BGRA or YUV 4:2:0 frames with their own times, plus
// container metadata and a rotation tag. The container follows the file
// name. Synchronous; one thread at a time. Logs under "ffmpegVEnc".

#include <cstdint>
#include <string>

#include "FFMpegHandles.h"
#include "List.h"
#include "OutputStream.h"

class FFMpegVideoEncoder {
  public:
    FFMpegVideoEncoder();
    ~FFMpegVideoEncoder();
    FFMpegVideoEncoder(const FFMpegVideoEncoder&) = delete;
    FFMpegVideoEncoder& operator=(const FFMpegVideoEncoder&) = delete;

    // libx264 "preset" for the next init ("veryfast" at first).
    void setPreset(const char* preset);

    // fromBGRA: frames are packed BGRA, else packed YUV 4:2:0 (alignment
    // 1). fps above 0: time base 1/fps; else microsecond time stamps.
    // bitRate: bits a second; rotation: degrees for the "rotate" tag.
    // 0, -10001 already open, -2, -3, -6, -10 the encoder refused.
    int init(const char* path, int width, int height, bool fromBGRA, float fps, int bitRate,
             int rotation);
    // The same, with container metadata: keys[i] = values[i] (borrowed
    // strings), used when both lists have the same, non-zero size.
    int init(const char* path, int width, int height, bool fromBGRA, float fps, int bitRate,
             const List<const char*>& keys, const List<const char*>& values, int rotation);

    // One packed frame shown at `seconds` (a value not above 0: the next
    // frame number in time-base steps). Time stamps that do not grow are
    // moved one step past the previous one. 0, -10001 not open, or the
    // FFmpeg error.
    int encode(const unsigned char* data, double seconds);

    // Drains the codec, writes the trailer, closes the file: 0, or -10001
    // when not open.
    int close();

  private:
    int openOutput(const char* path, const List<const char*>* keys, const List<const char*>* values,
                   int rotation);
    int addStream(int bitRate, float fps);
    int allocFrames();
    int64_t nextPts(double seconds);
    int sendAndWrite(AVFrame* frame);
    void release();

    std::string preset_ = "veryfast";
    bool fromBGRA_ = false;
    int width_ = 0;
    int height_ = 0;
    ffh::OutputFormatPtr format_;
    OutputStream out_;
    ffh::PacketPtr packet_;
    bool open_ = false;
    int64_t frameCounter_ = 0;
    int64_t lastPts_ = AV_NOPTS_VALUE;
    int64_t lastStep_ = 0;  // time-base steps between the latest two frames
};
