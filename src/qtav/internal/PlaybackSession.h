#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QString>

#include "AVClock.h"
#include "AudioOutput.h"
#include "FFMpegMediaInput.h"
#include "PacketQueue.h"
#include "VideoFrameConverter.h"
#include "VideoRenderer.h"

namespace QtAV {

class AudioThread;

// One run of a loaded file: a demux thread feeding a video thread and an
// audio thread through packet queues. Every seek starts a new serial; packets,
// frames and end reports of an older serial are dropped. Created, driven and
// destroyed on the player's thread; the destructor joins all threads.
class PlaybackSession {
  public:
    enum Stream { VideoStream, AudioStream };

    // `renderer`, `clock` and `audio` are borrowed and outlive the session.
    // `onEnd(serial)` is called on a playback thread when every stream of
    // that serial has ended; it must only post to the owner's thread.
    PlaybackSession(std::unique_ptr<FFMpegMediaInput> input, VideoRenderer* renderer,
                    AVClock* clock, AudioOutput* audio, std::function<void(int)> onEnd);
    ~PlaybackSession();
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;

    // Starts the threads; the first frame shown is the first at or after `seconds`.
    void start(double seconds, bool paused);
    void setPaused(bool paused);
    // Seconds from the file's start; see AVPlayer::seek.
    void seek(double seconds);
    // On return the previous renderer receives nothing more.
    void setRenderer(VideoRenderer* renderer);
    int serial() const;
    // Why the run of the current serial failed, "" when it played as far as the file states:
    // it showed and played nothing, or its main stream (the video, else the sound) was decoded
    // to a point well before that stream's stated end (a file cut short or damaged while it
    // plays). Asked once every stream of the serial has ended.
    QString failure() const;
    double duration() const { return input->duration(); }

    // For the audio thread.
    PacketQueue& audioPackets() { return audioQueue; }
    FFMpegCodecDecoder& audioDecoder() { return input->audioDecoder(); }
    double origin() const { return input->origin(); }
    AVClock* clock() const { return masterClock; }
    double gain() const { return audioOutput->effectiveGain(); }
    bool isPaused() const;
    bool isAborted() const;
    // Reports that sound of `serial` went to the sink.
    void soundPlayed(int serial);
    // Reports that `stream` of `serial` was decoded up to `seconds` (the end of its last frame).
    void decodedUpTo(Stream stream, double seconds, int serial);
    // Reports the end of one stream of `serial`.
    void streamEnded(Stream stream, int serial);

  private:
    void demuxLoop();
    void videoLoop();
    // Shows or skips one decoded frame of `serial`.
    void handleFrame(const AVFrame* frame, double t, int serial);
    // Waits until the clock reaches `t`; false when aborted or the serial changed.
    bool waitUntil(double t, int serial);
    // Converts as the renderer prefers and hands the frame over; `first` ends a seek.
    void present(const VideoFrame& frame, int serial, bool first);
    VideoRenderer* currentRenderer() const;
    VideoFrame convertFor(const VideoRenderer* out, const VideoFrame& frame);
    bool hasVideo() const { return input->videoIndex() >= 0; }
    bool hasAudio() const { return input->audioIndex() >= 0; }

    const std::unique_ptr<FFMpegMediaInput> input;  // format: demux thread; decoders: their threads
    AVClock* const masterClock;
    AudioOutput* const audioOutput;
    const std::function<void(int)> onEnd;
    // Where the main stream ends by the file, in seconds; 0 when unknown or only estimated.
    const double statedEnd;
    PacketQueue videoQueue;
    PacketQueue audioQueue;

    // Held by the video thread while it hands a frame over, so seek() and
    // setRenderer() return only after such a hand-over. Taken before `lock`.
    std::mutex deliverLock;
    mutable std::mutex lock;
    std::condition_variable wake;
    // Guarded by lock; every change of the clock's running state is made under it too.
    VideoRenderer* renderer;
    int currentSerial = 0;
    double target = 0;            // first time stamp to show for currentSerial
    bool presentPending = false;  // no frame of currentSerial shown yet
    bool demuxSeekPending = false;
    bool paused = false;
    bool aborted = false;
    bool videoEnded = false;
    bool audioEnded = false;
    bool endReported = false;
    bool produced = false;          // a frame shown or sound played for currentSerial
    double decodedEnd[2] = {0, 0};  // per Stream: end of what currentSerial decoded, seconds

    // Video thread only.
    VideoFrameConverter converter;
    VideoFrame fallback;  // last frame before the seek target
    qint64 lastShownNs = 0;

    std::thread demuxThread;
    std::thread videoThread;
    std::unique_ptr<AudioThread> audioThread;
};

}  // namespace QtAV
