#include "AudioOutput.h"

namespace QtAV {

AudioOutput::AudioOutput(QObject* parent) : QObject(parent) {}

void AudioOutput::setVolume(qreal volume) {
    const double clamped = volume >= 1.0 ? 1.0 : (volume > 0.0 ? volume : 0.0);  // NaN gives 0
    if (level.exchange(clamped) != clamped) emit volumeChanged(clamped);
}

qreal AudioOutput::volume() const { return level; }

void AudioOutput::setMute(bool mute) {
    if (muted.exchange(mute) != mute) emit muteChanged(mute);
}

bool AudioOutput::isMute() const { return muted; }

qreal AudioOutput::effectiveGain() const { return muted ? 0.0 : level.load(); }

}  // namespace QtAV
