#pragma once

#include <memory>

#include <QAudioOutput>

#include "AudioSink.h"

namespace QtAV {

// The default audio device through QAudioOutput in push mode.
class QtAudioSink : public AudioSink {
  public:
    // Null when there is no default device, it refuses the format or it fails to start.
    static std::unique_ptr<QtAudioSink> open(int sampleRate, int channels);

    qint64 bytesFree() override;
    qint64 write(const char* data, qint64 bytes) override;
    void suspend() override;
    void resume() override;
    void reset() override;
    bool isSilent() const override { return false; }

  private:
    explicit QtAudioSink(std::unique_ptr<QAudioOutput> output);
    bool start();

    std::unique_ptr<QAudioOutput> output;
    QIODevice* device = nullptr;  // owned by output, valid between start() and reset()
};

}  // namespace QtAV
