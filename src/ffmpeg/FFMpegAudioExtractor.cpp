// Extraction, in order:
// 1. plain copy (no trim, volume 1, no flag): packets copied by the concatenater;
// 2. open the source's decoder (at most 2 channels) and the AAC output;
// 3. with trim, volume or voice band: the graph in -> [volume] -> [trim] -> [voice band] -> out;
// 4. per source frame (decoded, resampled when needed): through the graph, into the FIFO;
//    whole encoder frames leave the FIFO as soon as it holds them;
// 5. at the end: the rest of the FIFO as one short frame, drain the encoder, the trailer.

#include "FFMpegAudioExtractor.h"

#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include "FFMpegBasicSupport.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "LogSystem.h"

namespace {

const char* const TAG = "ffmpegAExtrctr";
const int MAX_CHANNELS = 2;
const int STANDARD_CHANNELS = 2;
const int STANDARD_RATE = 44100;
const int64_t STANDARD_BIT_RATE = 128000;
const char* const VOICE_BAND = "highpass=f=50, lowpass=f=1000";

bool isNeutralVolume(double volume) { return volume > 0.999 && volume < 1.001; }

// Seconds (above 0) as microseconds; absurdly long spans stay at the largest value.
int64_t microseconds(double seconds) {
    const double us = seconds * 1000000 + 0.5;
    return us < 9.2e18 ? static_cast<int64_t>(us) : INT64_MAX;
}

}  // namespace

int FFMpegAudioExtractor::extract(const char* source, const char* destination, double start,
                                  double duration, double volume, bool toStandard, bool voiceBand) {
    if (start < 0 && duration < 0 && isNeutralVolume(volume) && !toStandard && !voiceBand) {
        FFMpegMuxBasedAudioConcatenater copy(destination, source);
        const int ret = copy.getInitError();
        return ret != 0 ? ret : copy.close();
    }
    FFMpegBasicSupport::CLocaleScope numbers;
    FFMpegAudioExtractor job;
    return FFMpegBasicSupport::mapResult(
        job.run(source, destination, start, duration, volume, toStandard, voiceBand));
}

int FFMpegAudioExtractor::run(const char* source, const char* destination, double start,
                              double duration, double volume, bool toStandard, bool voiceBand) {
    int ret = FFMpegBasicSupport::openInputFile4Audio(source, input, &inputCodec, &streamIndex);
    if (ret < 0) return ret;
    const AVCodecContext* in = inputCodec.get();
    if (in->ch_layout.nb_channels > MAX_CHANNELS) {
        LogSystem::e(TAG, "Not support audio input with channels > 2.");
        return AVERROR_EXIT;
    }
    const int channels = toStandard ? STANDARD_CHANNELS : in->ch_layout.nb_channels;
    const int rate = toStandard ? STANDARD_RATE : in->sample_rate;
    // A source that states no bit rate gets the standard one.
    const int64_t bitRate = toStandard || in->bit_rate <= 0 ? STANDARD_BIT_RATE : in->bit_rate;
    ret = FFMpegBasicSupport::openAudioOutputFile(destination, output, outputCodec, channels, rate,
                                                  bitRate);
    if (ret < 0) return ret;
    const AVCodecContext* out = outputCodec.get();
    frameSize = out->frame_size;

    const bool filtered = start > 0 || duration > 0 || !isNeutralVolume(volume) || voiceBand;
    if (filtered && (ret = initFilterGraph(start, duration, volume, voiceBand)) < 0) return ret;
    fifo.reset(av_audio_fifo_alloc(out->sample_fmt, out->ch_layout.nb_channels, 1));
    if (!fifo) {
        LogSystem::e(TAG, "Could not allocate output FIFO");
        return AVERROR(ENOMEM);
    }
    const bool needsResampler = in->sample_rate != out->sample_rate ||
                                in->sample_fmt != out->sample_fmt ||
                                av_channel_layout_compare(&in->ch_layout, &out->ch_layout) != 0;
    if (needsResampler && (ret = FFMpegBasicSupport::prepareSwrContext(resampler, in, out)) < 0)
        return ret;
    ret = filtered ? processFiltered() : processPlain();
    if (ret < 0) return ret;
    return av_write_trailer(output.get());
}

int FFMpegAudioExtractor::initFilterGraph(double start, double duration, double volume,
                                          bool voiceBand) {
    graph.reset(avfilter_graph_alloc());
    if (!graph) {
        LogSystem::e(TAG, "Unable to create filter graph.");
        return AVERROR(ENOMEM);
    }
    const AVCodecContext* out = outputCodec.get();
    // Frames reach the graph in the output's format; their time stamps count output samples.
    const std::string args = FFMpegBasicSupport::bufferSourceArgs(
        AVRational{1, out->sample_rate}, out->sample_rate, out->sample_fmt, out->ch_layout);
    int ret = avfilter_graph_create_filter(&bufferSource, avfilter_get_by_name("abuffer"), "in",
                                           args.c_str(), nullptr, graph.get());
    if (ret < 0) {
        LogSystem::e(TAG, "Cannot create audio buffer source (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    bufferSink =
        avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("abuffersink"), "out");
    const AVSampleFormat formats[] = {out->sample_fmt, AV_SAMPLE_FMT_NONE};
    if (!bufferSink ||
        (ret = av_opt_set_int(bufferSink, "all_channel_counts", 1, AV_OPT_SEARCH_CHILDREN)) < 0 ||
        (ret = av_opt_set_int_list(bufferSink, "sample_fmts", formats, AV_SAMPLE_FMT_NONE,
                                   AV_OPT_SEARCH_CHILDREN)) < 0 ||
        (ret = avfilter_init_str(bufferSink, nullptr)) < 0) {
        LogSystem::e(TAG, "Cannot create audio buffer sink");
        return bufferSink ? ret : AVERROR(ENOMEM);
    }

    AVFilterContext* last = bufferSource;
    std::string pending =
        isNeutralVolume(volume) ? std::string() : "volume=" + FFMpegBasicSupport::fixedText(volume);
    if (start > 0 || duration > 0) {
        AVFilterContext* trim =
            avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("atrim"), "trim");
        if (!trim ||
            (start > 0 && (ret = av_opt_set_int(trim, "starti", microseconds(start),
                                                AV_OPT_SEARCH_CHILDREN)) < 0) ||
            (duration > 0 && (ret = av_opt_set_int(trim, "durationi", microseconds(duration),
                                                   AV_OPT_SEARCH_CHILDREN)) < 0) ||
            (ret = avfilter_init_str(trim, nullptr)) < 0) {
            LogSystem::e(TAG, "Cannot create audio trim filter");
            return trim ? ret : AVERROR(ENOMEM);
        }
        if ((ret = linkThrough(last, trim, pending.c_str())) < 0) return ret;
        last = trim;
        pending.clear();
    }
    if (voiceBand) pending += pending.empty() ? VOICE_BAND : std::string(",") + VOICE_BAND;
    if ((ret = linkThrough(last, bufferSink, pending.c_str())) < 0) return ret;
    ret = avfilter_graph_config(graph.get(), nullptr);
    if (ret < 0)
        LogSystem::e(TAG, "Error while configuring graph : %s",
                     FFMpegBasicSupport::getErrorDesc(ret));
    return ret;
}

// Links `from` to `to`, through the filters of `text` when it is not empty.
int FFMpegAudioExtractor::linkThrough(AVFilterContext* from, AVFilterContext* to,
                                      const char* text) {
    int ret = 0;
    if (!*text) {
        ret = avfilter_link(from, 0, to, 0);
    } else {
        ffh::FilterInOutPtr outputs(avfilter_inout_alloc());
        ffh::FilterInOutPtr inputs(avfilter_inout_alloc());
        if (!outputs || !inputs) return AVERROR(ENOMEM);
        outputs->name = av_strdup("in");
        outputs->filter_ctx = from;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = to;
        AVFilterInOut* ins = inputs.release();
        AVFilterInOut* outs = outputs.release();
        ret = avfilter_graph_parse_ptr(graph.get(), text, &ins, &outs, nullptr);
        inputs.reset(ins);
        outputs.reset(outs);
    }
    if (ret < 0)
        LogSystem::e(TAG, "Error connecting filters (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
    return ret;
}

// The next source frame in the output's format: 0, AVERROR_EOF at the end, or an error.
int FFMpegAudioExtractor::readSourceFrame(AVFrame* frame) {
    if (!resampler)
        return FFMpegBasicSupport::decodeOneSrcFrame(input.get(), inputCodec.get(), frame,
                                                     streamIndex);
    ffh::FramePtr decoded = ffh::makeFrame();
    if (!decoded) return AVERROR(ENOMEM);
    while (!resamplerDrained) {
        int ret = FFMpegBasicSupport::decodeOneSrcFrame(input.get(), inputCodec.get(),
                                                        decoded.get(), streamIndex);
        if (ret == AVERROR_EOF) {
            // Flush what the resampler still holds, once.
            resamplerDrained = true;
            ret = resample(nullptr, frame);
        } else if (ret >= 0) {
            ret = resample(decoded.get(), frame);
            av_frame_unref(decoded.get());
        }
        if (ret < 0) return ret;
        if (frame->nb_samples > 0) return 0;
    }
    return AVERROR_EOF;
}

// Converts `in` (null: flush) into a new buffer of `out`; out->nb_samples may become 0.
int FFMpegAudioExtractor::resample(const AVFrame* in, AVFrame* out) {
    const AVCodecContext* codec = outputCodec.get();
    const int inSamples = in ? in->nb_samples : 0;
    const int maxSamples = swr_get_out_samples(resampler.get(), inSamples);
    av_frame_unref(out);
    if (maxSamples < 1) return 0;
    out->nb_samples = maxSamples;
    out->format = codec->sample_fmt;
    out->sample_rate = codec->sample_rate;
    int ret = av_channel_layout_copy(&out->ch_layout, &codec->ch_layout);
    if (ret >= 0) ret = av_frame_get_buffer(out, 0);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not allocate output frame samples (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    ret = swr_convert(resampler.get(), out->extended_data, maxSamples,
                      in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, inSamples);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not convert input samples (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    out->nb_samples = ret;
    return 0;
}

int FFMpegAudioExtractor::putIntoFifo(const AVFrame* frame) {
    int ret = av_audio_fifo_realloc(fifo.get(), av_audio_fifo_size(fifo.get()) + frame->nb_samples);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not reallocate FIFO (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    if (av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(frame->extended_data),
                            frame->nb_samples) < frame->nb_samples) {
        LogSystem::e(TAG, "Could not write data to FIFO");
        return AVERROR_EXIT;
    }
    while (av_audio_fifo_size(fifo.get()) >= frameSize)
        if ((ret = encodeFromFifo()) < 0) return ret;
    return 0;
}

// Encodes one frame of at most frameSize samples from the FIFO; nothing when it is empty.
int FFMpegAudioExtractor::encodeFromFifo() {
    const int samples = FFMIN(av_audio_fifo_size(fifo.get()), frameSize);
    if (samples <= 0) return 0;
    const AVCodecContext* codec = outputCodec.get();
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    frame->nb_samples = samples;
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    int ret = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    if (ret >= 0) ret = av_frame_get_buffer(frame.get(), 0);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not allocate output frame samples (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples) <
        samples) {
        LogSystem::e(TAG, "Could not read required data from FIFO");
        return AVERROR_EXIT;
    }
    return FFMpegBasicSupport::encodeFrame(output.get(), outputCodec.get(), frame.get(), &nextPts);
}

// The rest of the FIFO as one last frame, then the encoder drained.
int FFMpegAudioExtractor::finishOutput() {
    const int ret = encodeFromFifo();
    if (ret < 0) return ret;
    return FFMpegBasicSupport::encodeFrame(output.get(), outputCodec.get(), nullptr, &nextPts);
}

int FFMpegAudioExtractor::processPlain() {
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    for (;;) {
        int ret = readSourceFrame(frame.get());
        if (ret == AVERROR_EOF) return finishOutput();
        if (ret < 0) return ret;
        ret = putIntoFifo(frame.get());
        av_frame_unref(frame.get());
        if (ret < 0) return ret;
    }
}

int FFMpegAudioExtractor::processFiltered() {
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    for (;;) {
        int ret = readSourceFrame(frame.get());
        if (ret == AVERROR_EOF) {
            ret = av_buffersrc_add_frame(bufferSource, nullptr);
            if (ret < 0) LogSystem::e(TAG, "Error writing EOF null frame for input");
        } else if (ret >= 0) {
            frame->pts = graphSamples;
            graphSamples += frame->nb_samples;
            ret = av_buffersrc_add_frame(bufferSource, frame.get());
            if (ret < 0) LogSystem::e(TAG, "Error while feeding the audio filtergraph");
        }
        av_frame_unref(frame.get());
        if (ret < 0) return ret;
        bool ended = false;
        if ((ret = drainSink(&ended)) < 0) return ret;
        if (ended) return finishOutput();
    }
}

// Moves every frame the sink has ready into the FIFO; *ended once the graph has ended.
int FFMpegAudioExtractor::drainSink(bool* ended) {
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    for (;;) {
        int ret = av_buffersink_get_frame(bufferSink, frame.get());
        if (ret == AVERROR(EAGAIN)) return 0;
        if (ret == AVERROR_EOF) {
            *ended = true;
            return 0;
        }
        if (ret < 0) {
            LogSystem::e(TAG, "Error while get filter output");
            return ret;
        }
        ret = putIntoFifo(frame.get());
        av_frame_unref(frame.get());
        if (ret < 0) return ret;
    }
}
