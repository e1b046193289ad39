#pragma once

// Steps shared by the H.264 encoders.

#include <atomic>

#include "FFMpegHandles.h"
#include "OutputStream.h"
#include "VideoColour.h"

namespace FFMpegEncodeSupport {

// One encoder's log tag and texts for the set-up steps below.
struct SetupTexts {
    const char* tag;
    const char* noStream;     // stream allocation failed
    const char* noContext;    // codec context allocation failed
    const char* openFailed;   // printf format: code, width, height, bit rate
    const char* noFrame;      // YUV frame allocation failed
    const char* noBgraFrame;  // BGRA frame allocation failed
    int noBgraFrameCode;
};

// Set-up shared by the H.264 encoders; each step logs its failure under the
// encoder's texts and returns its code.
// 1. A stream of `format` with its codec context for `codec`, the fixed
//    H.264 parameters, `timeBase` on both and `frameRate` on the codec: 0 or -3.
int addH264Stream(const SetupTexts& texts, const AVCodec* codec, AVFormatContext* format,
                  OutputStream& out, int64_t bitRate, int width, int height, int gopSize,
                  AVRational timeBase, AVRational frameRate);
// 2. Opens the codec (-10) and copies its parameters to the stream (-3).
int openH264Codec(const SetupTexts& texts, OutputStream& out);
// 3. The reused YUV frame of the codec's format and size: 0 or -6.
int allocYuvFrame(const SetupTexts& texts, OutputStream& out);
// 4. The BGRA-to-YUV scaler (-2), after the codec's stated matrix and range,
//    and the frame that wraps a caller's BGRA picture
//    (texts.noBgraFrameCode); nothing is kept on a failure.
int allocBgraScaler(const SetupTexts& texts, OutputStream& out);

// A bicubic BGRA-to-`yuvFormat` scaler of one size that converts in slices on
// one thread per processor (the same bytes as one thread); null on a failure.
// With a stated `matrix` (AVColorSpace) the YUV samples follow it and
// `range` (AVColorRange), else the library's default (BT.601, limited).
SwsContext* makeBgraScaler(int width, int height, AVPixelFormat yuvFormat,
                           int matrix = AVCOL_SPC_UNSPECIFIED, int range = AVCOL_RANGE_UNSPECIFIED);

// The colour tags of the stream a codec writes; set before it opens.
void setColour(AVCodecContext* codec, const VideoColour& colour);

// The H.264 encoder: libx264 when present, else the library's default.
const AVCodec* findH264Encoder();

// Largest frame side the encoders take, in pixels: larger frames are
// refused like sizes the codec cannot open, before anything is allocated.
constexpr int kMaxFrameSide = 8192;

// The fixed H.264 parameters of both encoders: size, bit rate, GOP, no
// B-frames (the muxers write pts = dts, so frames must leave the codec in
// display order), YUV 4:2:0, High profile, level 5.1, and a global header
// when the container wants one. The time base is the caller's.
void setH264Parameters(AVCodecContext* codec, const AVFormatContext* format, int64_t bitRate,
                       int width, int height, int gopSize);

// avcodec_open2 for a video encoder, refusing sizes outside
// [1, kMaxFrameSide] first: 0 or a negative FFmpeg code.
int openVideoCodec(AVCodecContext* codec);

// Sets format, size and a buffer at alignment 32 on `frame`: 0 or the
// FFmpeg error.
int allocFrameBuffer(AVFrame* frame, AVPixelFormat format, int width, int height);

// Points `frame`'s planes at a packed picture (alignment 1) in `data`,
// which is borrowed and must outlive the use of the frame: 0 or the
// FFmpeg error.
int wrapPacked(AVFrame* frame, const uint8_t* data, AVPixelFormat format, int width, int height);

// Copies a packed picture (alignment 1) of `frame`'s format and size into
// `frame`'s own planes: 0 or the FFmpeg error.
int copyPacked(AVFrame* frame, const uint8_t* data);

// Converts the packed BGRA picture `bgra` into `yuv` through `sws`, with
// `wrapper` pointing at the picture: 0, or the FFmpeg error.
int scalePackedBgra(SwsContext* sws, AVFrame* wrapper, const uint8_t* bgra, AVFrame* yuv);

// Takes every packet `codec` has ready, gives it `duration` (codec time
// base) when the codec set none, moves its time stamps from the codec's to
// `stream`'s time base and writes it (interleaved or not). The duration
// keeps the container from cutting the last frame.
// Returns the codec's last answer (AVERROR(EAGAIN) or AVERROR_EOF when all
// went well), or AVERROR_EXIT once `stop` (read before each packet; any
// thread may set it) is set; *writeError gets the first write failure, else 0.
int writeReadyPackets(AVFormatContext* format, AVCodecContext* codec, AVStream* stream,
                      AVPacket* packet, int64_t duration, bool interleaved, int* writeError,
                      const std::atomic<bool>* stop = nullptr);

}  // namespace FFMpegEncodeSupport
