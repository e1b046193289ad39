#include "AudioSink.h"

#include "NullAudioSink.h"
#include "QtAudioSink.h"

namespace QtAV {

std::unique_ptr<AudioSink> AudioSink::create(int sampleRate, int channels) {
    if (std::unique_ptr<QtAudioSink> device = QtAudioSink::open(sampleRate, channels))
        return device;
    return std::make_unique<NullAudioSink>(sampleRate, channels);
}

}  // namespace QtAV
