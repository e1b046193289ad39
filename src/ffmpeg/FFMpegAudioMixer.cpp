// Mixing, in order:
// 1. open both inputs with their decoders;
// 2. graph src1, src2 -> amix -> sink; the sink pins planar float at the first input's rate
//    and layout, so a second input of another rate or layout is converted inside the graph;
// 3. open the AAC output; the sink hands out frames of the encoder's frame size;
// 4. one frame into each source, then a frame into every source the graph asked in vain,
//    encoding whatever the sink has after each step, until both inputs have ended;
// 5. drain the encoder, write the trailer.

#include "FFMpegAudioMixer.h"

#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "FFMpegBasicSupport.h"
#include "LogSystem.h"

namespace {

const char* const TAG = "ffmpegAMixer";
const int64_t DEFAULT_BIT_RATE = 128000;

}  // namespace

int FFMpegAudioMixer::mix(const char* first, const char* second, const char* output) {
    FFMpegBasicSupport::CLocaleScope numbers;
    FFMpegAudioMixer job;
    return FFMpegBasicSupport::mapResult(job.run(first, second, output));
}

int FFMpegAudioMixer::run(const char* first, const char* second, const char* outputPath) {
    const char* paths[2] = {first, second};
    int ret = 0;
    for (int i = 0; i < 2; ++i) {
        Input& in = inputs[i];
        if ((ret = FFMpegBasicSupport::openInputFile4Audio(paths[i], in.format, &in.codec,
                                                           &in.streamIndex)) < 0)
            return ret;
    }
    if ((ret = initFilterGraph()) < 0) return ret;
    const AVCodecContext* lead = inputs[0].codec.get();
    const int64_t bitRate = lead->bit_rate > 0 ? lead->bit_rate : DEFAULT_BIT_RATE;
    if ((ret = FFMpegBasicSupport::openAudioOutputFile(outputPath, output, outputCodec,
                                                       lead->ch_layout.nb_channels,
                                                       lead->sample_rate, bitRate)) < 0)
        return ret;
    av_buffersink_set_frame_size(sink, outputCodec->frame_size);

    if ((ret = feed(0)) < 0 || (ret = drainSink()) < 0 || (ret = feed(1)) < 0 ||
        (ret = drainSink()) < 0)
        return ret;
    while (!inputs[0].ended || !inputs[1].ended)
        if ((ret = feedRequested()) < 0 || (ret = drainSink()) < 0) return ret;
    if ((ret = FFMpegBasicSupport::encodeFrame(output.get(), outputCodec.get(), nullptr,
                                               &nextPts)) < 0)
        return ret;
    return av_write_trailer(output.get());
}

int FFMpegAudioMixer::initFilterGraph() {
    graph.reset(avfilter_graph_alloc());
    if (!graph) {
        LogSystem::e(TAG, "Unable to create filter graph.");
        return AVERROR(ENOMEM);
    }
    const AVFilter* amix = avfilter_get_by_name("amix");
    if (!amix) {
        LogSystem::e(TAG, "Could not find the mix filter.");
        return AVERROR_FILTER_NOT_FOUND;
    }
    int ret = 0;
    if ((ret = createSource(inputs[0], "src1")) < 0 || (ret = createSource(inputs[1], "src2")) < 0)
        return ret;
    ret = avfilter_graph_create_filter(&mixer, amix, "amix", "inputs=2", nullptr, graph.get());
    if (ret < 0) {
        LogSystem::e(TAG, "Cannot create audio amix filter");
        return ret;
    }
    if ((ret = createSink()) < 0) return ret;
    if ((ret = avfilter_link(inputs[0].source, 0, mixer, 0)) < 0 ||
        (ret = avfilter_link(inputs[1].source, 0, mixer, 1)) < 0 ||
        (ret = avfilter_link(mixer, 0, sink, 0)) < 0) {
        LogSystem::e(TAG, "Error connecting filters\n");
        return ret;
    }
    ret = avfilter_graph_config(graph.get(), nullptr);
    if (ret < 0)
        LogSystem::e(TAG, "Error while configuring graph : %s",
                     FFMpegBasicSupport::getErrorDesc(ret));
    return ret;
}

int FFMpegAudioMixer::createSource(Input& input, const char* name) {
    const AVFilter* abuffer = avfilter_get_by_name("abuffer");
    if (!abuffer) {
        LogSystem::e(TAG, "Could not find the abuffer filter.");
        return AVERROR_FILTER_NOT_FOUND;
    }
    const AVCodecContext* codec = input.codec.get();
    // Time stamps written to the source count its samples.
    const std::string args = FFMpegBasicSupport::bufferSourceArgs(
        AVRational{1, codec->sample_rate}, codec->sample_rate, codec->sample_fmt, codec->ch_layout);
    const int ret = avfilter_graph_create_filter(&input.source, abuffer, name, args.c_str(),
                                                 nullptr, graph.get());
    if (ret < 0) LogSystem::e(TAG, "Cannot create audio buffer source");
    return ret;
}

// The sink: planar float at the first input's rate and (default) layout.
int FFMpegAudioMixer::createSink() {
    const AVFilter* abuffersink = avfilter_get_by_name("abuffersink");
    if (!abuffersink) {
        LogSystem::e(TAG, "Could not find the abuffersink filter.");
        return AVERROR_FILTER_NOT_FOUND;
    }
    sink = avfilter_graph_alloc_filter(graph.get(), abuffersink, "sink");
    if (!sink) {
        LogSystem::e(TAG, "Could not allocate the abuffersink instance.");
        return AVERROR(ENOMEM);
    }
    const AVCodecContext* lead = inputs[0].codec.get();
    AVChannelLayout layout;
    av_channel_layout_default(&layout, lead->ch_layout.nb_channels);
    char layoutName[64];
    av_channel_layout_describe(&layout, layoutName, sizeof(layoutName));
    av_channel_layout_uninit(&layout);
    const AVSampleFormat formats[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_NONE};
    const int rates[] = {lead->sample_rate, -1};
    int ret = av_opt_set_int_list(sink, "sample_fmts", formats, AV_SAMPLE_FMT_NONE,
                                  AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0)
        ret = av_opt_set_int_list(sink, "sample_rates", rates, -1, AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0) ret = av_opt_set(sink, "ch_layouts", layoutName, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0) {
        LogSystem::e(TAG, "Could set options to the abuffersink instance.");
        return ret;
    }
    ret = avfilter_init_str(sink, nullptr);
    if (ret < 0) LogSystem::e(TAG, "Could not initialize the abuffersink instance.");
    return ret;
}

// One decoded frame into input `index`'s source; at its end (or a decode failure) the end
// marker, and the input counts as ended.
int FFMpegAudioMixer::feed(int index) {
    Input& in = inputs[index];
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    int ret = FFMpegBasicSupport::decodeOneSrcFrame(in.format.get(), in.codec.get(), frame.get(),
                                                    in.streamIndex);
    if (ret < 0) {
        in.ended = true;
        ret = av_buffersrc_add_frame(in.source, nullptr);
        if (ret < 0) LogSystem::e(TAG, "Error writing EOF null frame for input %d", index + 1);
        return ret;
    }
    frame->pts = in.samples;
    in.samples += frame->nb_samples;
    ret = av_buffersrc_add_frame(in.source, frame.get());
    if (ret < 0) LogSystem::e(TAG, "Error while feeding the audio filtergraph");
    return ret;
}

// Feeds every input whose source the graph asked in vain since its last frame; when none
// was asked, every input still running, so the loop always moves on.
int FFMpegAudioMixer::feedRequested() {
    bool fed = false;
    int ret = 0;
    for (int i = 0; i < 2 && ret >= 0; ++i)
        if (!inputs[i].ended && av_buffersrc_get_nb_failed_requests(inputs[i].source) > 0) {
            ret = feed(i);
            fed = true;
        }
    for (int i = 0; i < 2 && ret >= 0 && !fed; ++i)
        if (!inputs[i].ended) ret = feed(i);
    return ret;
}

// Encodes every frame the sink has ready.
int FFMpegAudioMixer::drainSink() {
    ffh::FramePtr frame = ffh::makeFrame();
    if (!frame) return AVERROR(ENOMEM);
    for (;;) {
        int ret = av_buffersink_get_frame(sink, frame.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
        if (ret < 0) return ret;
        ret =
            FFMpegBasicSupport::encodeFrame(output.get(), outputCodec.get(), frame.get(), &nextPts);
        av_frame_unref(frame.get());
        if (ret < 0) return ret;
    }
}
