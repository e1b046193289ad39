#pragma once

#include <QElapsedTimer>

#include "AudioSink.h"

namespace QtAV {

// A sink without a device: it holds up to 200 ms of sound and consumes it at
// the rate of the format, so audio decoding keeps real time.
class NullAudioSink : public AudioSink {
  public:
    NullAudioSink(int sampleRate, int channels);

    qint64 bytesFree() override;
    qint64 write(const char* data, qint64 bytes) override;
    void suspend() override;
    void resume() override;
    void reset() override;
    bool isSilent() const override { return true; }

  private:
    // Takes the bytes consumed since the last call off `queued`.
    void drain();

    const double bytesPerSecond;
    const qint64 capacity;
    qint64 queued = 0;  // bytes written and not yet consumed
    bool suspended = false;
    QElapsedTimer sinceDrain;
};

}  // namespace QtAV
