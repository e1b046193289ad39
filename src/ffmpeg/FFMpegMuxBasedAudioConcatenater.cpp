#include "FFMpegMuxBasedAudioConcatenater.h"

#include <cmath>
#include <cstdio>

#include "FFMpegAudioExtractor.h"
#include "FFMpegBasicSupport.h"
#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const TAG = "ffmpegMBACnctntr";
// A rest shorter than this (seconds) is not appended.
const double MIN_PIECE_SECONDS = 0.01;
// More copies than this are refused as an absurd request.
const double MAX_COPIES = 100000;

// Creates `path` with one stream whose parameters come from `source`, and writes the header.
int openOutput(const char* path, const AVStream* source, ffh::OutputFormatPtr& output) {
    AVFormatContext* raw = nullptr;
    int ret = avformat_alloc_output_context2(&raw, nullptr, nullptr, path);
    ffh::OutputFormatPtr out(raw);
    if (ret < 0 || !out) {
        LogSystem::e(TAG, "Could not create output context for '%s' (error '%s')", path,
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret < 0 ? ret : AVERROR_UNKNOWN;
    }
    AVStream* stream = avformat_new_stream(out.get(), nullptr);
    if (!stream) {
        LogSystem::e(TAG, "Failed allocating output stream");
        return AVERROR_UNKNOWN;
    }
    ret = avcodec_parameters_copy(stream->codecpar, source->codecpar);
    if (ret < 0) {
        LogSystem::e(TAG, "Failed to copy codec parameters (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    stream->codecpar->codec_tag = 0;
    stream->time_base = source->time_base;
    ret = avio_open(&out->pb, path, AVIO_FLAG_WRITE);
    if (ret < 0) {
        LogSystem::e(TAG, "Could not open output file '%s' (error '%s')", path,
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    ret = avformat_write_header(out.get(), nullptr);
    if (ret < 0) {
        LogSystem::e(TAG, "Error occurred when opening output file (error '%s')",
                     FFMpegBasicSupport::getErrorDesc(ret));
        return ret;
    }
    output = std::move(out);
    return 0;
}

// Packets of `a` can follow those of `b` in one stream.
bool sameFormat(const AVCodecParameters* a, const AVCodecParameters* b) {
    return a->codec_id == b->codec_id && a->sample_rate == b->sample_rate &&
           a->ch_layout.nb_channels == b->ch_layout.nb_channels;
}

}  // namespace

FFMpegMuxBasedAudioConcatenater::FFMpegMuxBasedAudioConcatenater(const char* outputPath,
                                                                 const char* firstSource) {
    ffh::InputFormatPtr input;
    int index = -1;
    int ret = FFMpegBasicSupport::openInputFile4Audio(firstSource, input, nullptr, &index);
    if (ret >= 0) ret = openOutput(outputPath, input->streams[index], output);
    input.reset();
    if (ret >= 0) ret = copyPackets(firstSource);
    initError = FFMpegBasicSupport::mapResult(ret);
    if (initError != 0) output.reset();
}

FFMpegMuxBasedAudioConcatenater::~FFMpegMuxBasedAudioConcatenater() { close(); }

int FFMpegMuxBasedAudioConcatenater::getInitError() const { return initError; }

int FFMpegMuxBasedAudioConcatenater::append(const char* path) {
    if (!output) return ResultCode::kWrongState;
    return FFMpegBasicSupport::mapResult(copyPackets(path));
}

int FFMpegMuxBasedAudioConcatenater::close() {
    if (!output) return ResultCode::kWrongState;
    const int ret = av_write_trailer(output.get());
    output.reset();
    return FFMpegBasicSupport::mapResult(ret);
}

int FFMpegMuxBasedAudioConcatenater::copyPackets(const char* path) {
    ffh::InputFormatPtr input;
    int index = -1;
    int ret = FFMpegBasicSupport::openInputFile4Audio(path, input, nullptr, &index);
    if (ret < 0) return ret;
    if (!sameFormat(input->streams[index]->codecpar, output->streams[0]->codecpar)) {
        LogSystem::e(TAG, "Can not append '%s': its sound differs from the output's", path);
        return AVERROR(EINVAL);
    }
    const AVRational inBase = input->streams[index]->time_base;
    const AVRational outBase = output->streams[0]->time_base;
    ffh::PacketPtr packet = ffh::makePacket();
    if (!packet) return AVERROR(ENOMEM);
    while ((ret = av_read_frame(input.get(), packet.get())) >= 0) {
        if (packet->stream_index != index) {
            av_packet_unref(packet.get());
            continue;
        }
        const int64_t duration = av_rescale_q(packet->duration, inBase, outBase);
        // The first source's start offset (AAC priming) stays, so the sound keeps its timing.
        if (nextPts == AV_NOPTS_VALUE)
            nextPts =
                packet->pts != AV_NOPTS_VALUE ? av_rescale_q(packet->pts, inBase, outBase) : 0;
        packet->stream_index = 0;
        packet->pos = -1;
        packet->pts = packet->dts = nextPts;
        packet->duration = duration;
        nextPts += duration;
        ret = av_interleaved_write_frame(output.get(), packet.get());
        if (ret < 0) {
            LogSystem::e(TAG, "Error muxing packet (error '%s')",
                         FFMpegBasicSupport::getErrorDesc(ret));
            return ret;
        }
    }
    if (ret == AVERROR_EOF) return 0;
    LogSystem::e(TAG, "Could not read packet (error '%s')", FFMpegBasicSupport::getErrorDesc(ret));
    return ret;
}

int FFMpegMuxBasedAudioConcatenater::generate(const char* source, const char* piece,
                                              const char* destination, double seconds) {
    const double length = FFMpegBasicSupport::getAudioDuration(source);
    if (!(length > 0) || !(seconds > 0) || seconds / length > MAX_COPIES) {
        LogSystem::e(TAG, "Can not generate %f s from a source of %f s", seconds, length);
        return ResultCode::kIoError;
    }
    const int copies = static_cast<int>(std::floor(seconds / length));
    const double rest = seconds - copies * length;
    int ret = 0;
    if (copies == 0) {
        ret = FFMpegAudioExtractor::extract(source, destination, -1, rest, 1.0, false, false);
    } else {
        FFMpegMuxBasedAudioConcatenater concat(destination, source);
        ret = concat.getInitError();
        for (int i = 1; i < copies && ret == 0; ++i) ret = concat.append(source);
        if (ret == 0 && rest > MIN_PIECE_SECONDS) {
            ret = FFMpegAudioExtractor::extract(source, piece, -1, rest, 1.0, false, false);
            if (ret == 0) ret = concat.append(piece);
            std::remove(piece);
        }
        const int closed = concat.close();
        if (ret == 0) ret = closed;
    }
    if (ret != 0) std::remove(destination);
    return ret;
}
