#pragma once

#include <deque>

#include <QMutex>
#include <QString>

#include "AVPlayer.h"
#include "GyroInfo.h"
#include "GyroInfoList.h"
#include "VideoFrame.h"
#include "VideoFrameConverter.h"
#include "VideoFrameExtractor.h"
#include "VideoOutput.h"

// The process-wide media player: plays a recording with sound through its
// AVPlayer, extracts still frames, reads the recording's trip records and turns
// rendering into signals (each frame, its position in ms, the record of its
// whole second).
//
// Threads: the controller lives on the main thread, where every operation and
// slot runs. receiveFrame() runs on the player's video thread; it emits
// sigFrameUpdated there and hands position and record to the main thread,
// which emits them unless a later open() came in between. The trip records of
// a file are read on the global thread pool, which owns and joins its threads.
class RavlixPlayer : public QtAV::VideoOutput {
    Q_OBJECT

  public:
    // A new controller that becomes the current one (an earlier one is kept).
    static RavlixPlayer* newPlayer(QObject* parent);
    // The current controller, or null.
    static RavlixPlayer* currentPlayer();
    // Deletes `player` (nothing for null) and forgets it when it is current.
    static void deletePlayer(RavlixPlayer* player);

    ~RavlixPlayer() override;

    // Stops, loads `path` and reads its trip records off the main thread; once
    // they are read, asks for the first frame and emits sigVideoChanged. An open
    // replaced by a later one before that announces nothing. Failures arrive
    // later as sigOpenFailed(-1).
    void open(QString path);
    // Resumes when paused, starts when stopped, nothing while playing.
    void play();
    // Pauses only while playing.
    void pause();
    // Stops and sets the start position back to 0.
    void stop();
    // Seeks to `ms`; while stopped the still frame there arrives as sigFrameExtracted.
    void seek(long ms);
    // Asks for the still frame at `ms`.
    void extract(qint64 ms);
    // Audio volume in [0, 1].
    void setVolume(double volume);
    double getVolume();
    // Media duration in ms, at most FFMpegUtil::kMaxDurationSeconds (a day).
    long getDurtion();
    // Playback position in ms.
    long getCurrentPosition();
    QString getFilePath();
    // The records of the open file; entry n is second n. The list holds them.
    GyroInfoList getAllGyroInfo();

  signals:
    void sigVideoChanged();
    void sigOpenFailed(int error);
    void sigFrameExtracted(QtAV::VideoFrame frame);
    void sigFrameUpdated(QtAV::VideoFrame frame);
    void sigCurrentPositionUpdated(long ms);
    // `info` holds the records of its file, so it stays valid after a later open().
    void sigGyroInfoUpdated(int index, SharedGyroInfo info);

  protected:
    // Video thread.
    bool receiveFrame(const QtAV::VideoFrame& frame) override;

  private slots:
    void extractedFrame(QtAV::VideoFrame frame);
    void extractedError(QString errorMessage);

  private:
    // What a frame reports besides itself, taken under the mutex.
    struct Report {
        quint64 generation = 0;
        long ms = 0;
        int index = -1;  // -1: no record to send
        SharedGyroInfo info;
    };

    explicit RavlixPlayer(QObject* parent);
    // The record step for time stamp `t` (seconds); any thread.
    Report takeReport(double t);
    // Main thread: emits position and record unless the report is stale.
    void deliver(const Report& report);
    // Counts the calls of open(); any thread.
    quint64 generationOfOpen();
    // Main thread: whether the extractor result being handled belongs to the current open.
    bool extractionIsCurrent();
    // Main thread: the records of the open numbered `generation` have been read.
    void recordsRead(quint64 generation, GyroInfoList records);

    QtAV::AVPlayer* avPlayer;                   // child, deleted by the destructor
    QtAV::VideoFrameExtractor* frameExtractor;  // owned, no parent
    QString filePath;                           // main thread
    bool firstFrame = false;                    // main thread
    // Main thread: the extractor request of the open's first frame; none is current before it.
    quint64 openRequest = 0;

    // Guarded by mutex (main thread and video thread).
    QMutex mutex;
    GyroInfoList gyroInfoList;
    int lastGyroIndex = -1;
    quint64 openGeneration = 0;
    // Request answered by each extractor emission, in emission order; popped by the slots.
    std::deque<quint64> extractionRequests;

    static RavlixPlayer* current;
};
