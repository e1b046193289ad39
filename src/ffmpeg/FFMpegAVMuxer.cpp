// Muxing, in order:
// 1. open the video file and the audio file's best audio stream;
// 2. create the output with its metadata, stream 0 from the video, stream 1 from the audio;
// 3. write the header, then every video packet, then every audio packet (av_write_frame, no
//    interleaving), each stream's decoding times being its first one plus the running sum of
//    its durations;
// 4. write the trailer.

#include "FFMpegAVMuxer.h"

#include "FFMpegBasicSupport.h"
#include "FFMpegHandles.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const TAG = "ffmpegAVMuxer";

int openVideo(const char* path, ffh::InputFormatPtr& input) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path, nullptr, nullptr) < 0) {
        LogSystem::e(TAG, "Could not open video input file '%s'", path);
        return ResultCode::kIoError;
    }
    input.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        LogSystem::e(TAG, "Failed to retrieve video input stream information");
        return ResultCode::kIoError;
    }
    return 0;
}

int addStream(AVFormatContext* output, const AVStream* source) {
    AVStream* stream = avformat_new_stream(output, nullptr);
    if (!stream) {
        LogSystem::e(TAG, "Failed allocating output stream");
        return ResultCode::kIoError;
    }
    if (avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0) {
        LogSystem::e(TAG, "Failed to copy codec parameters");
        return ResultCode::kIoError;
    }
    stream->codecpar->codec_tag = 0;
    stream->time_base = source->time_base;
    av_dict_copy(&stream->metadata, source->metadata, 0);
    return 0;
}

// Copies every packet of `input`'s stream `from` to `output`'s stream `to`. The decoding
// time is the first packet's (the source's start offset, e.g. the AAC priming) plus the
// running sum of the packet durations; the presentation time keeps the packet's own offset
// to its decoding time (reordered pictures). 0 once the input has ended, else the failing
// code.
int copyStream(AVFormatContext* input, int from, AVFormatContext* output, int to) {
    const AVRational inBase = input->streams[from]->time_base;
    const AVRational outBase = output->streams[to]->time_base;
    ffh::PacketPtr packet = ffh::makePacket();
    if (!packet) return AVERROR(ENOMEM);
    int64_t dts = AV_NOPTS_VALUE;
    int ret = 0;
    while ((ret = av_read_frame(input, packet.get())) >= 0) {
        if (packet->stream_index != from) {
            av_packet_unref(packet.get());
            continue;
        }
        const bool timed = packet->pts != AV_NOPTS_VALUE && packet->dts != AV_NOPTS_VALUE;
        const int64_t offset = timed && packet->pts > packet->dts ? packet->pts - packet->dts : 0;
        if (dts == AV_NOPTS_VALUE) dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : 0;
        packet->stream_index = to;
        packet->pos = -1;
        packet->dts = dts;
        packet->pts = dts + offset;
        dts += packet->duration;
        av_packet_rescale_ts(packet.get(), inBase, outBase);
        ret = av_write_frame(output, packet.get());
        av_packet_unref(packet.get());
        if (ret < 0) {
            LogSystem::e(TAG, "Error muxing packet");
            return ret;
        }
    }
    return ret == AVERROR_EOF ? 0 : ret;
}

}  // namespace

int FFMpegAVMuxer::mux(const char* audio, const char* video, const char* output) {
    return mux(audio, video, output, List<const char*>(), List<const char*>());
}

int FFMpegAVMuxer::mux(const char* audio, const char* video, const char* outputPath,
                       const List<const char*>& keys, const List<const char*>& values) {
    ffh::InputFormatPtr videoInput;
    ffh::InputFormatPtr audioInput;
    int audioIndex = -1;
    if (openVideo(video, videoInput) < 0 ||
        FFMpegBasicSupport::openInputFile4Audio(audio, audioInput, nullptr, &audioIndex) < 0)
        return ResultCode::kIoError;

    AVFormatContext* raw = nullptr;
    avformat_alloc_output_context2(&raw, nullptr, nullptr, outputPath);
    ffh::OutputFormatPtr output(raw);
    if (!output) {
        LogSystem::e(TAG, "Could not create output context for '%s'", outputPath);
        return ResultCode::kIoError;
    }
    if (keys.size() == values.size())
        for (size_t i = 0; i < keys.size(); ++i)
            av_dict_set(&output->metadata, keys[i], values[i], 0);

    const int videoIndex =
        av_find_best_stream(videoInput.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0) {
        LogSystem::e(TAG, "Cannot find an video stream in the video input file");
        return ResultCode::kAbsent;
    }
    if (addStream(output.get(), videoInput->streams[videoIndex]) < 0 ||
        addStream(output.get(), audioInput->streams[audioIndex]) < 0)
        return ResultCode::kIoError;
    if (avio_open(&output->pb, outputPath, AVIO_FLAG_WRITE) < 0) {
        LogSystem::e(TAG, "Could not open output file '%s'", outputPath);
        return ResultCode::kIoError;
    }
    if (avformat_write_header(output.get(), nullptr) < 0) {
        LogSystem::e(TAG, "Error occurred when opening output file");
        return ResultCode::kIoError;
    }
    const int videoResult = copyStream(videoInput.get(), videoIndex, output.get(), 0);
    videoInput.reset();
    const int audioResult = copyStream(audioInput.get(), audioIndex, output.get(), 1);
    const int trailer = av_write_trailer(output.get());
    const int failure = videoResult < 0 ? videoResult : audioResult < 0 ? audioResult : trailer;
    if (failure < 0) {
        LogSystem::e(TAG, "Error occurred: %s", FFMpegBasicSupport::getErrorDesc(failure));
        return ResultCode::kIoError;
    }
    return 0;
}
