#include "AVPlayer.h"

#include <algorithm>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QTimer>

#include "FFMpegMediaInput.h"
#include "LogSystem.h"
#include "PlaybackSession.h"
#include "VideoOutput.h"

namespace QtAV {

namespace {
const char* const kTag = "QtAV";

// Hands the free pages of every arena back to the system.
void returnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Seconds from a file in ms, clamped so that absurd values convert safely (about 285 years).
// NaN gives 0.
qint64 millisecondsOf(double seconds) {
    constexpr double kMaxMs = 9e12;
    const double ms = seconds * 1000;
    return ms > 0 ? qint64(std::min(ms, kMaxMs)) : 0;
}
}  // namespace

struct AVPlayer::Private {
    // All members: the player's thread.
    QString path;
    std::unique_ptr<FFMpegMediaInput> input;   // loaded and not yet running
    std::unique_ptr<PlaybackSession> session;  // running (playing or paused)
    VideoRenderer* renderer = nullptr;         // borrowed
    AudioOutput* audio = nullptr;              // child of the player
    AVClock* clock = nullptr;                  // child of the player
    QTimer notifyTimer;
    MediaEndAction endAction = MediaEndAction_Default;
    int repeatMax = 0;
    int repeatsDone = 0;
    qint64 startMs = 0;
    qint64 durationMs = 0;
    State state = StoppedState;
    int run = 0;  // counts sessions, so end reports of an earlier one are dropped
};

// A run makes decoders and frame pools of tens of MB on threads of its own (some twenty a run).
// glibc's allocator gives new threads new arenas, up to eight a core, and serves such blocks
// from them once one has been freed; each arena keeps what is freed, so memory grew by some
// 40 MB with each file opened. Few arenas shared by all threads reuse what a run freed, and
// stop() hands the free pages back. Frame buffers are pooled, so the shared arenas see few
// allocations while playing.
void AVPlayer::shareFewArenas() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_ARENA_MAX, 2); });
#endif
}

AVPlayer::AVPlayer(QObject* parent) : QObject(parent), d(new Private) {
    shareFewArenas();
    registerMetaTypes();
    qRegisterMetaType<QtAV::AVPlayer::State>("QtAV::AVPlayer::State");
    d->audio = new AudioOutput(this);
    d->clock = new AVClock(this);
    d->notifyTimer.setInterval(500);
    connect(&d->notifyTimer, &QTimer::timeout, this, &AVPlayer::onNotify);
}

AVPlayer::~AVPlayer() { d->session.reset(); }

void AVPlayer::setRenderer(VideoRenderer* renderer) {
    d->renderer = renderer;
    if (d->session) d->session->setRenderer(renderer);
}

VideoRenderer* AVPlayer::renderer() const { return d->renderer; }

AudioOutput* AVPlayer::audio() const { return d->audio; }

AVClock* AVPlayer::masterClock() const { return d->clock; }

void AVPlayer::setFile(const QString& path) {
    if (path == d->path) return;
    stop();
    d->input.reset();
    d->path = path;
    d->durationMs = 0;
}

QString AVPlayer::file() const { return d->path; }

bool AVPlayer::load() {
    stop();
    d->input.reset();
    auto input = std::make_unique<FFMpegMediaInput>();
    if (input->open(d->path.toUtf8().constData(), true) < 0) {
        const QString message = QString::fromStdString(input->failure());
        LogSystem::w(kTag, "load failed: %s", message.toUtf8().constData());
        emit error(message);
        return false;
    }
    const qint64 duration = millisecondsOf(input->duration());
    d->input = std::move(input);
    if (duration != d->durationMs) {
        d->durationMs = duration;
        emit durationChanged(duration);
    }
    emit loaded();
    return true;
}

bool AVPlayer::isLoaded() const { return d->input || d->session; }

void AVPlayer::setNotifyInterval(int ms) { d->notifyTimer.setInterval(std::max(ms, 10)); }

int AVPlayer::notifyInterval() const { return d->notifyTimer.interval(); }

void AVPlayer::setMediaEndAction(MediaEndAction action) { d->endAction = action; }

MediaEndAction AVPlayer::mediaEndAction() const { return d->endAction; }

void AVPlayer::setRepeat(int max) { d->repeatMax = std::max(max, -1); }

int AVPlayer::repeat() const { return d->repeatMax; }

void AVPlayer::setStartPosition(qint64 ms) { d->startMs = std::max<qint64>(ms, 0); }

qint64 AVPlayer::startPosition() const { return d->startMs; }

AVPlayer::State AVPlayer::state() const { return d->state; }

bool AVPlayer::isPlaying() const { return d->state != StoppedState; }

bool AVPlayer::isPaused() const { return d->state == PausedState; }

qint64 AVPlayer::duration() const { return d->durationMs; }

qint64 AVPlayer::position() const {
    if (!d->session) return 0;
    return std::min(millisecondsOf(d->clock->value()), d->durationMs);
}

void AVPlayer::play() {
    if (d->state == PausedState) {
        pause(false);
        return;
    }
    if (d->state == PlayingState || (!d->input && !load())) return;
    const int run = ++d->run;
    auto onEnd = [this, run](int serial) {
        QMetaObject::invokeMethod(
            this, [this, run, serial] { onMediaEnd(run, serial); }, Qt::QueuedConnection);
    };
    d->repeatsDone = 0;
    d->session = std::make_unique<PlaybackSession>(std::move(d->input), d->renderer, d->clock,
                                                   d->audio, onEnd);
    d->session->start(std::min(d->startMs, d->durationMs) / 1000.0, false);
    d->state = PlayingState;
    d->notifyTimer.start();
    emit stateChanged(d->state);
    emit started();
}

void AVPlayer::pause(bool p) {
    const State wanted = p ? PausedState : PlayingState;
    if (!d->session || d->state == wanted) return;
    d->session->setPaused(p);
    d->state = wanted;
    emit stateChanged(d->state);
    emit paused(p);
}

void AVPlayer::togglePause() { pause(d->state == PlayingState); }

void AVPlayer::stop() {
    if (!d->session) return;
    d->session.reset();
    returnFreedMemory();
    d->clock->reset();
    d->notifyTimer.stop();
    d->state = StoppedState;
    emit stateChanged(d->state);
    emit stopped();
}

void AVPlayer::seek(qint64 ms) {
    if (!d->session) return;
    d->session->seek(std::clamp<qint64>(ms, 0, std::max<qint64>(d->durationMs, 0)) / 1000.0);
}

void AVPlayer::onMediaEnd(int run, int serial) {
    auto current = [&] { return d->session && run == d->run && serial == d->session->serial(); };
    if (!current()) return;
    // A run that failed would only fail the same way again: it is never repeated.
    const QString failure = d->session->failure();
    emit mediaEnded();
    if (!current()) return;  // a receiver stopped, restarted or sought meanwhile
    const bool repeatLeft = d->repeatMax < 0 || d->repeatsDone < d->repeatMax;
    if (failure.isEmpty() && repeatLeft) {
        ++d->repeatsDone;
        d->session->seek(std::min(d->startMs, d->durationMs) / 1000.0);
        emit repeated();
        return;
    }
    if (failure.isEmpty() && (d->endAction & MediaEndAction_Pause)) {
        pause(true);
        return;
    }
    stop();
    VideoOutput* output = dynamic_cast<VideoOutput*>(d->renderer);
    if (output && !(d->endAction & MediaEndAction_KeepDisplay)) output->clearCurrentFrame();
    if (failure.isEmpty()) return;
    LogSystem::w(kTag, "playback failed: %s", failure.toUtf8().constData());
    emit error(failure);
}

void AVPlayer::onNotify() {
    if (d->state == PlayingState) emit positionChanged(position());
}

}  // namespace QtAV
