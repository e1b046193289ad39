#pragma once

// Writes a video-only H.264 file (27 frames a second, GOP 12, High profile,
// level 5.1, YUV 4:2:0, no B-frames) from same-sized frames. The container
// follows the file name, MPEG program stream when the name names none.
// Synchronous; one thread at a time. Logs under "FFMpegEncoder360G".

#include <atomic>

#include "FFMpegHandles.h"
#include "OutputStream.h"
#include "VideoColour.h"

class FFMpegEncoder360G {
  public:
    // path: output file (UTF-8); width, height: frame size in pixels;
    // bitRate: bits a second; comment: container "comment" entry or null;
    // colour: the stream's colour tags, and the matrix and range BGRA frames
    // are converted with.
    FFMpegEncoder360G(const char* path, int width, int height, int bitRate, const char* comment,
                      const VideoColour& colour = VideoColour::bt709());
    ~FFMpegEncoder360G();
    FFMpegEncoder360G(const FFMpegEncoder360G&) = delete;
    FFMpegEncoder360G& operator=(const FFMpegEncoder360G&) = delete;

    // 0 when the file is open for frames, else the failed step's code
    // (-2, -3, -6, -10 the encoder refused the parameters).
    int getInitError();

    // One packed BGRA frame of width x height x 4 bytes, read in place
    // during the call; the time stamp then advances by `step` (1 = 1/27 s).
    // The codec's last answer: AVERROR(EAGAIN) or 0 after a normal frame;
    // other negative values are failures, among them the file's refusal of
    // a packet (logged).
    int encodeArgbData(const unsigned char* bgra, int step);
    // The same for packed YUV 4:2:0 (planes Y, U, V at alignment 1).
    int enncodeYuvData(const unsigned char* yuv, int step);

    // The two halves of the calls above, for a caller that reuses its buffer
    // while the codec works: load* reads the picture (0 or a failure), after
    // which the buffer is free again; encodeLoaded encodes it as above.
    int loadArgbData(const unsigned char* bgra);
    int loadYuvData(const unsigned char* yuv);
    int encodeLoaded(int step);

    // A packed YUV 4:2:0 picture (planes Y, U, V at alignment 1) in a
    // reference-counted buffer, handed to the codec without a copy: the codec
    // takes its own reference for as long as it reads the picture (the H.264
    // encoder only during the call). Results as encodeArgbData.
    int encodeYuvBuffer(const AVBufferRef* yuv, int step);

    // Drains the codec, writes the trailer (after a successful init) and
    // releases everything: 0. `stop` (any thread may set it) cuts the drain
    // short: the frames the codec still holds are dropped and no trailer is
    // written (the file is incomplete, for a caller that removes it): -10002.
    // Once released, further calls give 0 and do nothing.
    int endEncode(const std::atomic<bool>* stop = nullptr);

  private:
    int init(const char* path, const char* comment, const VideoColour& colour);
    int allocOutput(const char* path);
    int addStream(const VideoColour& colour);
    int openCodec();
    int prepareFrame(const unsigned char* data);
    int prepareBgra();
    int send(AVFrame* frame, int step);

    int width_;
    int height_;
    int bitRate_;
    ffh::OutputFormatPtr format_;
    OutputStream out_;
    ffh::PacketPtr packet_;
    int64_t lastStep_ = 1;  // time-stamp step of the latest frame
    int initError_;
};
