#pragma once

#include <cstdint>

#include "FFMpegHandles.h"

// Mixes the sound of two files into one AAC file with FFmpeg's "amix" filter. The output has
// the first input's sample rate, channel count and bit rate; the second input is converted
// to them. Logs with the tag "ffmpegAMixer".
class FFMpegAudioMixer {
  public:
    // 0; -6 out of memory; -12 any other failure.
    static int mix(const char* first, const char* second, const char* output);

  private:
    struct Input {
        ffh::InputFormatPtr format;
        ffh::CodecContextPtr codec;
        int streamIndex = -1;
        // Belongs to the graph.
        AVFilterContext* source = nullptr;
        bool ended = false;
        // Samples written to the source, the time stamp of the next one.
        int64_t samples = 0;
    };

    FFMpegAudioMixer() = default;

    int run(const char* first, const char* second, const char* output);
    int initFilterGraph();
    int createSource(Input& input, const char* name);
    int createSink();
    int feed(int index);
    int feedRequested();
    int drainSink();

    Input inputs[2];
    ffh::OutputFormatPtr output;
    ffh::CodecContextPtr outputCodec;
    ffh::FilterGraphPtr graph;
    AVFilterContext* mixer = nullptr;
    AVFilterContext* sink = nullptr;
    // Next encoder time stamp, in output samples.
    int64_t nextPts = 0;
};
