// Each tick of the audio thread, in order:
// 1. follow pause (and the clock held during a seek) by suspending the sink;
// 2. take decoded sound: the rest of `pending`, else the next frame of the
//    current serial (a new serial flushes the decoder and the sink);
// 3. drop sound that is behind the clock, wait with sound too far ahead of it,
//    and write the rest as far as the sink takes it.
#include "AudioThread.h"

#include <algorithm>
#include <cstdint>

#include <QTimer>

#include "LogSystem.h"
#include "PlaybackSession.h"

namespace QtAV {

namespace {

const char* const kTag = "QtAV";
constexpr int kTickMs = 10;
// Sound is written up to this far ahead of the clock...
constexpr double kLeadSec = 0.15;
// ...and dropped when it ends this far behind it.
constexpr double kLateSec = 0.1;
// Decoded frames handled in one tick at most.
constexpr int kFramesPerTick = 64;

void applyGain(QByteArray* samples, double gain) {
    if (gain >= 1.0) return;
    int16_t* s = reinterpret_cast<int16_t*>(samples->data());
    const int count = samples->size() / 2;
    for (int i = 0; i < count; ++i) s[i] = static_cast<int16_t>(s[i] * gain);
}

}  // namespace

AudioThread::AudioThread(PlaybackSession* owner) : session(owner) {}

AudioThread::~AudioThread() {
    quit();
    wait();
    av_channel_layout_uninit(&inLayout);
}

void AudioThread::run() {
    frame = ffh::makeFrame();
    if (!frame) return;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
        if (!tick()) quit();
    });
    timer.start(kTickMs);
    exec();
    sink.reset();  // the device belongs to this thread
}

bool AudioThread::tick() {
    if (session->isAborted()) return false;
    const bool hold = session->isPaused() || session->clock()->isPaused();
    if (sink && hold != suspended) {
        hold ? sink->suspend() : sink->resume();
        suspended = hold;
    }
    if (pendingSerial != session->serial())
        pendingOffset = pending.size();  // sound from before a seek
    for (int i = 0; i < kFramesPerTick; ++i) {
        if (pendingOffset >= pending.size() && !decodeNext()) return true;
        const int before = pendingOffset;
        writePending();
        if (pendingOffset == before) return true;  // sink full or sound ahead of the clock
    }
    return true;
}

bool AudioThread::decodeNext() {
    FFMpegCodecDecoder& decoder = session->audioDecoder();
    for (;;) {
        const int ret = decodeSerial ? decoder.receive(frame.get()) : AVERROR(EAGAIN);
        if (ret == 0) {
            if (decodeSerial != session->serial()) continue;
            if (!formatMatches() && !openOutput())
                continue;  // sound that cannot be played is skipped
            const int maxOut = swr_get_out_samples(resampler.get(), frame->nb_samples);
            if (maxOut <= 0) continue;
            pending.resize(maxOut * channels * 2);
            uint8_t* out = reinterpret_cast<uint8_t*>(pending.data());
            const int got =
                swr_convert(resampler.get(), &out, maxOut,
                            const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            pending.resize(std::max(got, 0) * channels * 2);
            pendingOffset = 0;
            pendingStart = decoder.seconds(frame.get(), session->origin(), pendingStart);
            pendingSerial = decodeSerial;
            applyGain(&pending, session->gain());
            if (pending.isEmpty()) continue;
            session->decodedUpTo(PlaybackSession::AudioStream,
                                 pendingStart + pending.size() / (double(rate) * channels * 2),
                                 decodeSerial);
            return true;
        }
        if (ret == AVERROR_EOF && !ended) {
            ended = true;
            session->streamEnded(PlaybackSession::AudioStream, decodeSerial);
        }
        PacketQueue::Item item;
        if (!session->audioPackets().pop(&item, 0)) return false;
        if (item.serial != decodeSerial) {
            if (decodeSerial) decoder.flush();
            decodeSerial = item.serial;
            ended = false;
            if (sink) sink->reset();
        }
        if (item.serial != session->serial()) continue;
        const int sent = decoder.send(item.packet.get());
        if (sent < 0 && sent != AVERROR_EOF)
            LogSystem::w(kTag, "audio packet refused: %d %s", sent, ffh::errorText(sent));
    }
}

bool AudioThread::formatMatches() const {
    return resampler && frame->sample_rate == inRate && frame->format == inFormat &&
           av_channel_layout_compare(&frame->ch_layout, &inLayout) == 0;
}

bool AudioThread::openOutput() {
    resampler.reset();
    inRate = frame->sample_rate;
    inFormat = frame->format;
    av_channel_layout_uninit(&inLayout);
    if (av_channel_layout_copy(&inLayout, &frame->ch_layout) < 0) return false;
    const int oldRate = rate;
    const int oldChannels = channels;
    rate = frame->sample_rate;
    const int inChannels = frame->ch_layout.nb_channels;
    if (rate < 8000 || rate > 384000 || inChannels <= 0) return false;
    channels = std::min(inChannels, 2);
    AVChannelLayout in{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, inChannels);
    else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
        return false;
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels);
    SwrContext* swr = nullptr;
    const int ret =
        swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, rate, &in,
                            static_cast<AVSampleFormat>(frame->format), rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    resampler.reset(swr);
    if (ret < 0 || !swr || swr_init(swr) < 0) {
        resampler.reset();
        return false;
    }
    if (!sink || rate != oldRate || channels != oldChannels) {
        sink.reset();
        sink = AudioSink::create(rate, channels);
        suspended = false;
    }
    return true;
}

void AudioThread::writePending() {
    const double bytesPerSecond = double(rate) * channels * 2;
    const int frameBytes = channels * 2;
    const double clock = session->clock()->value();
    const double start = pendingStart + pendingOffset / bytesPerSecond;
    const double end = pendingStart + pending.size() / bytesPerSecond;
    if (end < clock - kLateSec) {
        pendingOffset = pending.size();
        return;
    }
    if (start > clock + kLeadSec || suspended) return;
    const qint64 room = sink->bytesFree();
    const qint64 bytes =
        std::min<qint64>(room, pending.size() - pendingOffset) / frameBytes * frameBytes;
    if (bytes <= 0) return;
    const qint64 written = sink->write(pending.constData() + pendingOffset, bytes);
    pendingOffset += int(written);
    if (written > 0) session->soundPlayed(pendingSerial);
}

}  // namespace QtAV
