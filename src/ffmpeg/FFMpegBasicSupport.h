#pragma once

#include <clocale>
#include <cstdint>
#include <string>

#include "FFMpegHandles.h"

// Steps shared by the audio jobs and the muxer. Static, no state; logs with the tag
// "ffmpegBSupport". Results are 0 or a negative FFmpeg code unless stated otherwise.
//
// Channel layouts: an unspecified layout (order AV_CHANNEL_ORDER_UNSPEC) of an opened decoder
// and of every decoded frame is replaced by the default layout for its channel count, so that
// filter sources and resamplers always get a real layout.
class FFMpegBasicSupport {
  public:
    // While it lives, the calling thread reads and writes numbers in the "C" locale, so that
    // FFmpeg parses "volume=1.5" alike under a comma-decimal locale. Thread-local; nests.
    class CLocaleScope {
      public:
        CLocaleScope();
        ~CLocaleScope();
        CLocaleScope(const CLocaleScope&) = delete;
        CLocaleScope& operator=(const CLocaleScope&) = delete;

      private:
        locale_t cLocale;
        locale_t previous;
    };

    // Text of an FFmpeg error code; borrowed until the calling thread's next call.
    static const char* getErrorDesc(int code);

    // Job result for an FFmpeg code: 0 stays 0, AVERROR(ENOMEM) gives -6, any other -12.
    static int mapResult(int code);

    // Opens `path` and finds its best audio stream. With `codec` non-null, also opens the
    // stream's decoder into it. `fmt` (and `codec`) stay empty on failure.
    static int openInputFile4Audio(const char* path, ffh::InputFormatPtr& fmt,
                                   ffh::CodecContextPtr* codec, int* streamIndex);

    // Opens an AAC output (container guessed from the name, one stream, time base
    // 1/sampleRate, planar float, default layout for `channels`) and writes its header.
    static int openAudioOutputFile(const char* path, ffh::OutputFormatPtr& fmt,
                                   ffh::CodecContextPtr& codec, int channels, int sampleRate,
                                   int64_t bitRate);

    // Resampler from the input codec's layout, format and rate to the output codec's.
    static int prepareSwrContext(ffh::SwrPtr& swr, const AVCodecContext* in,
                                 const AVCodecContext* out);

    // Decodes the next frame into `frame`: 0, AVERROR_EOF once the decoder is drained, or
    // another negative code. `streamIndex` -1 hands every packet of the file to the decoder.
    static int decodeOneSrcFrame(AVFormatContext* fmt, AVCodecContext* codec, AVFrame* frame,
                                 int streamIndex);

    // Encodes `frame` (null drains the encoder) and writes the packets ready to stream 0.
    // The frame's time stamp is *pts (in samples), which then grows by its sample count.
    static int encodeFrame(AVFormatContext* fmt, AVCodecContext* codec, AVFrame* frame,
                           int64_t* pts);

    // Seconds of the first video / audio stream, frames a second of the first video stream
    // (avg_frame_rate); 0 for a null path, an unreadable file or no such stream. Probing, here
    // and in openInputFile4Audio, sizes no picture above PictureLimits.
    static double getVideoDuration(const char* path);
    static double getAudioDuration(const char* path);
    static double getVideoFps(const char* path);

    // The "abuffer" arguments for frames of this time base, rate, format and layout:
    // "time_base=N/D:sample_rate=R:sample_fmt=NAME:channel_layout=0xMASK".
    static std::string bufferSourceArgs(AVRational timeBase, int sampleRate, AVSampleFormat format,
                                        const AVChannelLayout& layout);

    // `value` with six decimals and '.' whatever the locale ("1.500000").
    static std::string fixedText(double value);

    // First stream of `type` in stream order, or null; its time base times its duration in
    // seconds (0 when unknown).
    static const AVStream* firstStream(const AVFormatContext* fmt, AVMediaType type);
    static double streamSeconds(const AVStream* stream);

    // Replaces an unspecified layout by the default one for its channel count.
    static void specifyLayout(AVChannelLayout* layout);
};
