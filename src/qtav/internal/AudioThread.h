#pragma once

#include <memory>

#include <QByteArray>
#include <QThread>

#include "AudioSink.h"
#include "FFMpegHandles.h"

namespace QtAV {

class PlaybackSession;

// The audio thread of a playback session: every few ms it decodes audio
// packets, resamples them to signed 16-bit stereo (or mono), scales them by
// the volume and writes them to the sink while their time is within a short
// lead of the clock; sound already behind the clock is dropped. Stopped with
// quit() and wait() by the session.
class AudioThread : public QThread {
  public:
    explicit AudioThread(PlaybackSession* session);  // borrowed; outlives the thread
    ~AudioThread() override;

  protected:
    void run() override;

  private:
    // One pass; false when the session aborted.
    bool tick();
    // Fills `pending` with the next decoded sound of the current serial; false when none is ready.
    bool decodeNext();
    // (Re)creates the resampler for the frame's format; the sink only when the output changes.
    bool openOutput();
    // Whether the resampler was made for the format of `frame`.
    bool formatMatches() const;
    void writePending();

    PlaybackSession* const session;

    // Audio thread only.
    std::unique_ptr<AudioSink> sink;
    ffh::SwrPtr resampler;
    ffh::FramePtr frame;
    int rate = 0;
    int channels = 0;
    // Input format the resampler was made for.
    int inRate = 0;
    int inFormat = -1;
    AVChannelLayout inLayout{};
    int decodeSerial = 0;
    bool ended = false;  // the decoder was drained for decodeSerial
    bool suspended = false;
    QByteArray pending;  // resampled sound not yet written
    int pendingOffset = 0;
    int pendingSerial = 0;
    double pendingStart = 0;  // time in seconds of pending's first byte
};

}  // namespace QtAV
