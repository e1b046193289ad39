// Opening a file, in order: the container and its stream info; the best video
// stream and its decoder; the best audio stream and its decoder (when asked);
// then the duration, start time and frame interval.
#include "MediaInput.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>

namespace QtAV {

namespace {

// Best stream of `type` whose decoder opens into `decoder`, or -1.
int openBest(AVFormatContext* input, AVMediaType type, StreamDecoder* decoder) {
    const int index = av_find_best_stream(input, type, -1, -1, nullptr, 0);
    if (index < 0 || !decoder->open(input->streams[index]))
        return -1;
    return index;
}

}  // namespace

bool MediaInput::open(const QString& path, bool withAudio, QString* error) {
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Can not open file: %1").arg(path);
        return false;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        *error = QStringLiteral("Can not open media: %1").arg(path);
        return false;
    }
    input.reset(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        *error = QStringLiteral("No stream info: %1").arg(path);
        return false;
    }
    video = openBest(input.get(), AVMEDIA_TYPE_VIDEO, &videoDec);
    audio = withAudio ? openBest(input.get(), AVMEDIA_TYPE_AUDIO, &audioDec) : -1;
    if (video < 0 && audio < 0) {
        *error = QStringLiteral("No decodable stream: %1").arg(path);
        return false;
    }
    originSec = input->start_time != AV_NOPTS_VALUE ? input->start_time / double(AV_TIME_BASE) : 0;
    if (input->duration > 0)
        durationSec = input->duration / double(AV_TIME_BASE);
    if (video >= 0) {
        const AVStream* stream = input->streams[video];
        if (durationSec <= 0 && stream->duration > 0)
            durationSec = stream->duration * av_q2d(stream->time_base);
        const AVRational rate = av_guess_frame_rate(input.get(), const_cast<AVStream*>(stream), nullptr);
        if (rate.num > 0 && rate.den > 0)
            interval = av_q2d(av_inv_q(rate));
    }
    return true;
}

bool MediaInput::seek(double seconds) {
    // Clamped: an absurd time must not overflow the conversion.
    const double us = std::clamp((seconds + originSec) * AV_TIME_BASE, -9e18, 9e18);
    const int64_t target = std::isnan(us) ? 0 : static_cast<int64_t>(us);
    if (avformat_seek_file(input.get(), -1, INT64_MIN, target, target, 0) >= 0)
        return true;
    // Before the first key frame: take the nearest one after.
    return avformat_seek_file(input.get(), -1, INT64_MIN, target, INT64_MAX, 0) >= 0;
}

}  // namespace QtAV
