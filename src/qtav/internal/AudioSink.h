#pragma once

#include <memory>

#include <QtGlobal>

namespace QtAV {

// Where the player's audio thread writes sound: signed 16-bit interleaved
// samples. Created, used and destroyed on that thread, which runs an event loop.
class AudioSink {
  public:
    virtual ~AudioSink() = default;

    // The default audio device when it exists and accepts the format, else a
    // silent sink that consumes at real-time rate (machines without sound).
    static std::unique_ptr<AudioSink> create(int sampleRate, int channels);

    // Bytes that write() takes now without blocking.
    virtual qint64 bytesFree() = 0;
    // Writes up to `bytes` bytes; returns the bytes taken.
    virtual qint64 write(const char* data, qint64 bytes) = 0;
    // Stops and restarts consumption (pause and resume).
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // Drops sound written but not yet played (after a seek).
    virtual void reset() = 0;
    // True for the silent sink.
    virtual bool isSilent() const = 0;
};

}  // namespace QtAV
