#pragma once

#include <cstdint>

#include "FFMpegHandles.h"

// Extracts the sound of a media file into an AAC file. With no trim, a volume of 1 and no
// flag the packets are copied as they are; otherwise the sound is decoded, resampled when
// needed, passed through a filter graph when trim, volume or the voice band is asked, and
// encoded to AAC. Numbers in the filter descriptions are written and read in the "C" locale.
// Logs with the tag "ffmpegAExtrctr".
class FFMpegAudioExtractor {
  public:
    // start, duration: seconds, below 0 for none. volume: linear factor (1 = unchanged).
    // toStandard: stereo, 44100 Hz, 128000 bit/s instead of the source's parameters.
    // voiceBand: keep 50 Hz to 1000 Hz only.
    // 0; -6 out of memory; -12 any other failure (also a source of more than 2 channels).
    static int extract(const char* source, const char* destination, double start, double duration,
                       double volume, bool toStandard, bool voiceBand);

  private:
    FFMpegAudioExtractor() = default;

    int run(const char* source, const char* destination, double start, double duration,
            double volume, bool toStandard, bool voiceBand);
    int initFilterGraph(double start, double duration, double volume, bool voiceBand);
    int linkThrough(AVFilterContext* from, AVFilterContext* to, const char* text);
    int readSourceFrame(AVFrame* frame);
    int resample(const AVFrame* in, AVFrame* out);
    int putIntoFifo(const AVFrame* frame);
    int encodeFromFifo();
    int finishOutput();
    int processPlain();
    int processFiltered();
    int drainSink(bool* ended);

    ffh::InputFormatPtr input;
    int streamIndex = -1;
    bool resamplerDrained = false;
    ffh::OutputFormatPtr output;
    ffh::CodecContextPtr inputCodec;
    ffh::CodecContextPtr outputCodec;
    // Only when filtering is asked; the filter contexts belong to the graph.
    ffh::FilterGraphPtr graph;
    AVFilterContext* bufferSource = nullptr;
    AVFilterContext* bufferSink = nullptr;
    ffh::AudioFifoPtr fifo;
    // Only when the input's layout, rate or format differ from the output's.
    ffh::SwrPtr resampler;
    // Next encoder time stamp and samples fed to the graph, both in output samples.
    int64_t nextPts = 0;
    int64_t graphSamples = 0;
    // The AAC encoder's frame_size.
    int frameSize = 0;
};
