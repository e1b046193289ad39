#include "NullAudioSink.h"

#include <algorithm>

namespace QtAV {

NullAudioSink::NullAudioSink(int sampleRate, int channels)
    : bytesPerSecond(double(sampleRate) * channels * 2),
      capacity(std::max<qint64>(qint64(bytesPerSecond / 5) & ~qint64(3), 4)) {
    sinceDrain.start();
}

void NullAudioSink::drain() {
    const qint64 ns = sinceDrain.nsecsElapsed();
    const qint64 consumed = qint64(ns / 1e9 * bytesPerSecond);
    if (consumed <= 0 && !suspended) return;  // keep the fraction for the next call
    sinceDrain.start();
    if (!suspended) queued = std::max<qint64>(0, queued - consumed);
}

qint64 NullAudioSink::bytesFree() {
    drain();
    return capacity - queued;
}

qint64 NullAudioSink::write(const char*, qint64 bytes) {
    const qint64 taken = std::min(bytes, bytesFree());
    queued += taken;
    return taken;
}

void NullAudioSink::suspend() {
    drain();
    suspended = true;
}

void NullAudioSink::resume() {
    drain();
    suspended = false;
}

void NullAudioSink::reset() {
    drain();
    queued = 0;
}

}  // namespace QtAV
