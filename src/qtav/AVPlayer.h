#pragma once

#include <memory>

#include <QObject>
#include <QString>

#include "AVClock.h"
#include "AudioOutput.h"
#include "MediaEndAction.h"
#include "VideoRenderer.h"

namespace QtAV {

// Plays one media file with sound into a VideoRenderer.
//
// Threads: the player object lives on its owner's thread (the main thread),
// where all its methods are called and its signals are emitted. While playing
// it runs a demux thread that feeds a video decoding thread (which paces
// frames on masterClock() and calls the renderer's receive()) and an audio
// thread (which decodes and writes sound to the default audio device, or to a
// silent sink consuming at real-time rate when there is none).
class AVPlayer : public QObject {
    Q_OBJECT
  public:
    enum State { StoppedState = 0, PlayingState = 1, PausedState = 2 };
    Q_ENUM(State)

    // Makes the threads of the process share a few allocator arenas, so that memory freed by
    // one run serves the next. Takes effect only while few threads have allocated: call it
    // first thing in main(). Each player calls it too. Any thread, idempotent.
    static void shareFewArenas();

    explicit AVPlayer(QObject* parent = nullptr);
    ~AVPlayer() override;  // stops (joins the threads)

    // Borrowed; must outlive the player or be replaced first. Null renders nothing.
    void setRenderer(VideoRenderer* renderer);
    VideoRenderer* renderer() const;
    // Owned by the player, never null; settings survive loads and stops.
    AudioOutput* audio() const;
    // Owned by the player, never null.
    AVClock* masterClock() const;

    // The file to load; a different file stops playback and unloads.
    void setFile(const QString& path);
    QString file() const;
    // Stops, then opens the file and its streams on the calling thread. On
    // true, duration() is known on return. On false, error() is emitted.
    bool load();
    bool isLoaded() const;

    // Interval of positionChanged() while playing, in ms (default 500; >= 10).
    void setNotifyInterval(int ms);
    int notifyInterval() const;
    void setMediaEndAction(MediaEndAction action);
    MediaEndAction mediaEndAction() const;
    // Extra runs after the first one: 0 none, -1 without limit. Kept across stop().
    void setRepeat(int max);
    int repeat() const;
    // Where play() from stopped and each repeat start, in ms (default 0).
    void setStartPosition(qint64 ms);
    qint64 startPosition() const;

    State state() const;
    // True while playing or paused (a file is running).
    bool isPlaying() const;
    bool isPaused() const;
    // Media duration in ms, 0 before a successful load.
    qint64 duration() const;
    // Clock time in ms while playing or paused, in [0, duration()]; 0 while stopped.
    qint64 position() const;

  public slots:
    // Stopped: loads if needed and starts at startPosition(). Paused: resumes.
    // Playing: nothing.
    void play();
    // pause(true) pauses while playing; pause(false) resumes while paused.
    void pause(bool p = true);
    void togglePause();
    // Stops and joins the playback threads: no receive() follows its return.
    void stop();
    // Only while playing or paused; clamped to [0, duration()]. Playing: the
    // first frame at or after ms is the next one shown. Paused: exactly one
    // frame, the first at or after ms, is shown and playback stays paused.
    void seek(qint64 ms);

  signals:
    void loaded();
    void durationChanged(qint64 ms);
    void stateChanged(QtAV::AVPlayer::State state);
    void started();
    void stopped();
    void paused(bool p);
    void positionChanged(qint64 ms);
    // A file ended and was restarted for a repeat.
    void repeated();
    void mediaEnded();
    // The file could not be loaded, or a run failed: it played nothing, or it ended well before
    // the end the file states (cut short or damaged while playing). A failed run is never
    // repeated; the player has stopped when this is emitted.
    void error(const QString& message);

  private slots:
    void onMediaEnd(int run, int serial);
    void onNotify();

  private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace QtAV
