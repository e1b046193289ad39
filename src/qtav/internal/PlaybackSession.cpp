// One run of a file:
// 1. start(): the first serial, its target and the held clock; then the threads.
// 2. Demux thread: performs pending seeks, reads packets into the two queues
//    under the current serial, and marks the end of each stream with a null packet.
// 3. Video thread: decodes; before the first frame of a serial skips frames
//    before the target and shows the first at or after it (also while paused),
//    which starts the clock; after that paces each frame on the clock.
// 4. Audio thread (AudioThread): decodes and writes sound as the clock runs.
// 5. When every stream of the current serial has ended, onEnd(serial); the owner then asks
//    failure() whether the run reached the file's stated end.
#include "PlaybackSession.h"

#include <algorithm>
#include <chrono>

#include <QElapsedTimer>

#include "AudioThread.h"
#include "LogSystem.h"

namespace QtAV {

namespace {

const char* const kTag = "QtAV";
// Queue bounds: enough for a few seconds of a high-rate stream, never more.
// Packets of 2160x2160 video take some 140 KB each: 96 of them (3.2 s at 30 fps) hold
// 13 MB, where 256 held 35 MB.
constexpr size_t kVideoPackets = 96;
constexpr size_t kAudioPackets = 2048;
constexpr size_t kQueueBytes = 16 * 1024 * 1024;
// Longest single wait of a playback thread, so flags are seen promptly.
constexpr int kPollMs = 20;
// Frames later than this are dropped...
constexpr double kDropLateSec = 0.5;
// ...unless nothing was shown for this long.
constexpr qint64 kMaxGapNs = 1000000000;
// A time stamp this close before a seek target counts as at the target.
constexpr double kTargetSlackSec = 0.001;
// A main stream decoded to this close before its stated end played in full: room for rounding
// and a last frame's duration, far less than a file cut short loses.
constexpr double kEndSlackSec = 0.25;

qint64 monotonicNs() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.nsecsElapsed();
}

// Where the main stream (the video, else the sound) ends by the file; 0 when the file states no
// end or the end is only estimated from the bit rate.
double statedEndOf(const FFMpegMediaInput& input) {
    if (input.format()->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) return 0;
    return input.videoIndex() >= 0 ? input.videoDuration() : input.audioDuration();
}

}  // namespace

PlaybackSession::PlaybackSession(std::unique_ptr<FFMpegMediaInput> in, VideoRenderer* videoRenderer,
                                 AVClock* clock, AudioOutput* audio, std::function<void(int)> end)
    : input(std::move(in)),
      masterClock(clock),
      audioOutput(audio),
      onEnd(std::move(end)),
      statedEnd(statedEndOf(*input)),
      videoQueue(kVideoPackets, kQueueBytes),
      audioQueue(kAudioPackets, kQueueBytes),
      renderer(videoRenderer) {}

PlaybackSession::~PlaybackSession() {
    {
        std::lock_guard<std::mutex> locker(lock);
        aborted = true;
    }
    wake.notify_all();
    videoQueue.abort();
    audioQueue.abort();
    if (demuxThread.joinable()) demuxThread.join();
    if (videoThread.joinable()) videoThread.join();
    if (audioThread) {
        audioThread->quit();
        audioThread->wait();
    }
}

void PlaybackSession::start(double seconds, bool startPaused) {
    {
        std::lock_guard<std::mutex> locker(lock);
        currentSerial = 1;
        target = seconds;
        paused = startPaused;
        presentPending = hasVideo();
        demuxSeekPending = seconds > 0;
        masterClock->updateValue(seconds);
        masterClock->pause(presentPending || paused);
    }
    demuxThread = std::thread(&PlaybackSession::demuxLoop, this);
    if (hasVideo()) videoThread = std::thread(&PlaybackSession::videoLoop, this);
    if (hasAudio()) {
        audioThread = std::make_unique<AudioThread>(this);
        audioThread->start();
    }
}

void PlaybackSession::setPaused(bool p) {
    {
        std::lock_guard<std::mutex> locker(lock);
        paused = p;
        if (!presentPending) masterClock->pause(p);
    }
    wake.notify_all();
}

void PlaybackSession::seek(double seconds) {
    int serial;
    {
        std::lock_guard<std::mutex> locker(lock);
        serial = ++currentSerial;
        target = seconds;
        presentPending = hasVideo();
        demuxSeekPending = true;
        videoEnded = audioEnded = endReported = produced = false;
        decodedEnd[VideoStream] = decodedEnd[AudioStream] = 0;
        masterClock->updateValue(seconds);
        masterClock->pause(presentPending || paused);
    }
    videoQueue.flush(serial);
    audioQueue.flush(serial);
    wake.notify_all();
    // A frame of the old serial being handed over finishes before the seek returns.
    std::lock_guard<std::mutex> delivering(deliverLock);
}

void PlaybackSession::setRenderer(VideoRenderer* videoRenderer) {
    std::lock_guard<std::mutex> delivering(deliverLock);
    std::lock_guard<std::mutex> locker(lock);
    renderer = videoRenderer;
}

QString PlaybackSession::failure() const {
    std::lock_guard<std::mutex> locker(lock);
    if (!produced) return QStringLiteral("Nothing could be played");
    const double reached = decodedEnd[hasVideo() ? VideoStream : AudioStream];
    if (reached >= statedEnd - kEndSlackSec) return QString();
    return QStringLiteral("The media ends at %1 s of the %2 s the file states")
        .arg(reached, 0, 'f', 3)
        .arg(statedEnd, 0, 'f', 3);
}

void PlaybackSession::decodedUpTo(Stream stream, double seconds, int serial) {
    std::lock_guard<std::mutex> locker(lock);
    if (serial == currentSerial) decodedEnd[stream] = std::max(decodedEnd[stream], seconds);
}

void PlaybackSession::soundPlayed(int serial) {
    std::lock_guard<std::mutex> locker(lock);
    if (serial == currentSerial) produced = true;
}

int PlaybackSession::serial() const {
    std::lock_guard<std::mutex> locker(lock);
    return currentSerial;
}

bool PlaybackSession::isPaused() const {
    std::lock_guard<std::mutex> locker(lock);
    return paused;
}

bool PlaybackSession::isAborted() const {
    std::lock_guard<std::mutex> locker(lock);
    return aborted;
}

void PlaybackSession::streamEnded(Stream stream, int serial) {
    {
        std::lock_guard<std::mutex> locker(lock);
        if (serial != currentSerial || aborted) return;
        (stream == VideoStream ? videoEnded : audioEnded) = true;
        if (endReported || (hasVideo() && !videoEnded) || (hasAudio() && !audioEnded)) return;
        endReported = true;
    }
    onEnd(serial);
}

void PlaybackSession::demuxLoop() {
    ffh::PacketPtr packet = ffh::makePacket();
    int readSerial = 1;
    bool atEnd = false;
    while (packet) {
        double seekTo = -1;
        {
            std::unique_lock<std::mutex> locker(lock);
            if (atEnd && !demuxSeekPending)
                wake.wait_for(locker, std::chrono::milliseconds(kPollMs));
            if (aborted) return;
            if (demuxSeekPending) {
                demuxSeekPending = false;
                seekTo = target;
                readSerial = currentSerial;
            }
        }
        if (seekTo >= 0) {
            input->seek(seekTo);
            atEnd = false;
        }
        if (atEnd) continue;
        const int ret = av_read_frame(input->format(), packet.get());
        if (ret == AVERROR(EAGAIN)) continue;
        if (ret < 0) {
            atEnd = true;
            if (hasVideo()) videoQueue.push(nullptr, readSerial);
            if (hasAudio()) audioQueue.push(nullptr, readSerial);
            continue;
        }
        PacketQueue* queue = packet->stream_index == input->videoIndex()   ? &videoQueue
                             : packet->stream_index == input->audioIndex() ? &audioQueue
                                                                           : nullptr;
        if (!queue) {
            av_packet_unref(packet.get());
            continue;
        }
        queue->push(std::move(packet), readSerial);
        packet = ffh::makePacket();
    }
}

void PlaybackSession::videoLoop() {
    FFMpegCodecDecoder& decoder = input->videoDecoder();
    ffh::FramePtr frame = ffh::makeFrame();
    int decodeSerial = 0;
    double lastT = -input->frameInterval();  // a frame without a time stamp follows the one before
    while (frame && !isAborted()) {
        PacketQueue::Item item;
        if (!videoQueue.pop(&item, kPollMs)) continue;
        if (item.serial != decodeSerial) {
            decoder.flush();
            decodeSerial = item.serial;
            fallback = VideoFrame();
            lastT = -input->frameInterval();
        }
        if (decodeSerial != serial()) continue;
        const int sent = decoder.send(item.packet.get());
        if (sent < 0 && sent != AVERROR_EOF)
            LogSystem::w(kTag, "video packet refused: %d %s", sent, ffh::errorText(sent));
        while (decoder.receive(frame.get()) == 0 && !isAborted()) {
            const double t =
                decoder.seconds(frame.get(), input->origin(), lastT + input->frameInterval());
            lastT = t;
            decodedUpTo(VideoStream,
                        t + decoder.durationSeconds(frame.get(), input->frameInterval()),
                        decodeSerial);
            handleFrame(frame.get(), t, decodeSerial);
        }
        if (item.packet) continue;
        bool showFallback;
        {
            std::lock_guard<std::mutex> locker(lock);
            showFallback = presentPending && decodeSerial == currentSerial && fallback.isValid();
        }
        if (showFallback) present(fallback, decodeSerial, true);
        fallback = VideoFrame();
        streamEnded(VideoStream, decodeSerial);
    }
}

void PlaybackSession::handleFrame(const AVFrame* frame, double t, int serial) {
    bool first;
    double from;
    {
        std::lock_guard<std::mutex> locker(lock);
        if (serial != currentSerial) return;
        first = presentPending;
        from = target;
    }
    if (first) {
        const VideoFrame picture = VideoFrame::fromAVFrame(frame, t);
        if (t < from - kTargetSlackSec)
            fallback = picture;
        else
            present(picture, serial, true);
        return;
    }
    if (!waitUntil(t, serial)) return;
    const bool late = masterClock->value() - t > kDropLateSec;
    if (late && monotonicNs() - lastShownNs < kMaxGapNs) return;
    present(VideoFrame::fromAVFrame(frame, t), serial, false);
}

bool PlaybackSession::waitUntil(double t, int serial) {
    std::unique_lock<std::mutex> locker(lock);
    while (!aborted && serial == currentSerial) {
        const double ahead = t - masterClock->value();
        if (!paused && ahead <= 0) return true;
        // In floating point: a frame far ahead must not overflow the wait.
        const double ms = paused ? kPollMs : std::min<double>(kPollMs, ahead * 1000) + 1;
        wake.wait_for(locker, std::chrono::milliseconds(int(ms)));
    }
    return false;
}

void PlaybackSession::present(const VideoFrame& frame, int serial, bool first) {
    VideoRenderer* out = currentRenderer();
    VideoFrame shown = convertFor(out, frame);
    std::lock_guard<std::mutex> delivering(deliverLock);
    {
        std::lock_guard<std::mutex> locker(lock);
        if (aborted || serial != currentSerial) return;
        produced = true;
        if (first) {
            presentPending = false;
            masterClock->updateValue(frame.timestamp());
            masterClock->pause(paused);
        }
        if (renderer != out) {
            out = renderer;
            shown = VideoFrame();
        }
    }
    lastShownNs = monotonicNs();
    if (out && !shown.isValid()) shown = convertFor(out, frame);
    if (out && shown.isValid()) out->receive(shown);
}

VideoRenderer* PlaybackSession::currentRenderer() const {
    std::lock_guard<std::mutex> locker(lock);
    return renderer;
}

VideoFrame PlaybackSession::convertFor(const VideoRenderer* out, const VideoFrame& frame) {
    if (out && out->isPreferredPixelFormatForced())
        return converter.convert(frame, out->preferredPixelFormat());
    return frame;
}

}  // namespace QtAV
