#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <atomic>
#include <deque>
#include <memory>
#include <set>
#include <thread>

#include "List.h"
#include "V360FramePool.h"
#include "V360JobFolder.h"
#include "V360JobProgress.h"
#include "V360SoundStage.h"

class V360DewarpTask;
class V360SectionBuilder;
class V360VideoEncodeStage;

// The scheduler of one conversion job: a thread with its own event loop that alone knows the
// pipeline. Requests arrive as queued `e` signals; the stages hand their results back to it
// by queued calls, and advance() then moves the job on. The job's phases:
//
// 1. Dispatching: while a buffer of the pool of four is free, the current section hands out
//    its next source frame (decoded ahead on the section's own thread) and a V360DewarpTask
//    renders it into the buffer; rendered buffers go strictly in dispatch order to the encode
//    stage (V360VideoEncodeStage), which encodes them on its own thread.
// 2. Draining: once the job is closed and every frame is handed out, the encode stage drains
//    as the last buffers come back, and each section's sound, joined and mixed with the
//    music, is made meanwhile on a thread of its own (V360SoundStage).
// 3. When both have ended, the sound and the video are muxed and copied to the output path
//    with the spherical-video box (V360MuxStage), on this thread.
// 4. Done: the result is emitted once; the job's private folder goes with every temporary
//    file in it (V360JobFolder).
// Failing: an error or a cancel stops every stage at its next step; the job fails with the
// first error once nothing is out (frames in flight, a preparation, the sound).
//
// Threads: the public entries are safe from any thread. Everything else of the job runs on
// this thread; the other threads get their inputs as values or borrow what the scheduler
// keeps until they report: a dewarp task borrows its section (dewarp only), its source frame
// and its buffer; the encode stage borrows the buffers it is given; the sound stage gets each
// section's sound as a value, taken here once the frames are out. Section builders added are
// owned (deleted with the thread). Deleting the thread after its loop has ended waits for
// every thread it started.
class V360DispatchThread : public QThread {
    Q_OBJECT
  public:
    // tempDir: folder the job's private folder is made in (empty: right in the user's
    // temporary location). A comment is written when commentTime > 0.
    V360DispatchThread(QString outputPath, int width, int height, int bitRate, double videoVolume,
                       long long commentTime, long long commentValue, int commentFlag,
                       QString tempDir);
    ~V360DispatchThread() override;

    void setMusicSource(QString musicPath, double startTime, double endTime, double musicVolume,
                        bool loopMusic);
    void addV360SectionBuilder(V360SectionBuilder* builder);
    void closeVideoGeneration();
    void cancelVideoGeneration();
    // A plain copy instead of the spherical box; call before closing the job.
    void setNoNeedAddSpatialMetaData();

    // The job's temporary files, in its private folder (empty when it could not be made).
    QString jobFolderPath() const { return folder.path(); }
    QString whiteNoisePath() const { return whiteNoise; }
    QString volumeReadyWhiteNoisePath() const { return volumeReadyWhiteNoise; }
    // Set once the job stops (a cancel, a failure, the thread going): work run for the job on
    // other threads (a section's sound) polls it and ends early.
    std::shared_ptr<const std::atomic<bool>> stopFlag() const { return stopping; }

  signals:
    void videoGenerationProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                       int totalMedias);
    void videoGenerated();
    void videoGenerationFailed(int result);

    void eSetMusicSource(QString musicPath, double startTime, double endTime, double musicVolume,
                         bool loopMusic);
    void eAddV360SectionBuilder(V360SectionBuilder* builder);
    void eCloseVideoGeneration();
    void eCancelVideoGeneration();
    // Emitted by a builder whose preparation went on asynchronously.
    void eBuilderPrepared();
    void eUpdateCurrentIASteps(int steps);

  private slots:
    void _setMusicSource(QString musicPath, double startTime, double endTime, double musicVolume,
                         bool loopMusic);
    void _addV360SectionBuilder(V360SectionBuilder* builder);
    void _closeVideoGeneration();
    void _cancelVideoGeneration();
    void builderPrepared();
    void updateCurrentIASteps(int steps);
    void onDewarpDone();

  private:
    enum class Phase { kDispatching, kDraining, kFailing, kDone };

    void makeComment(long long commentTime, long long commentValue, int commentFlag);
    void connectRequests();
    void advance();
    void moveTo(Phase next);
    void dispatch();
    bool prepareCurrentBuilder();
    bool openEncodeStage();
    void startDewarpTask(void* frame);
    void finishCurrentBuilder();
    void releaseUser(V360SectionBuilder* builder);
    void encodeInOrder();
    void onFrameTaken(BufferInfo* buffer, int result);
    void onVideoEncoded(int result);
    void onSoundMade(int result, const QString& made);
    void startDraining();
    void startSoundStage();
    void stageEnded(int result);
    void fail(int result);
    bool nothingOut() const;
    int muxAndCopy();
    void finish(int result);
    void report(int percent);
    void logStageTimes(int result);

    // Set up by the constructor; read-only afterwards.
    V360JobFolder folder;
    QString pureVideo;
    QString muxedVideo;
    QString outputPath;
    QString whiteNoise;
    QString volumeReadyWhiteNoise;
    bool muted;
    double videoVolume;
    QString comment;

    // Written from any thread.
    std::atomic<bool> addSpatialMeta{true};
    // Set by a cancel (at once), on any failure and when the thread goes: the running stages
    // stop at their next step. Shared with the work the sections run for the job.
    const std::shared_ptr<std::atomic<bool>> stopping = std::make_shared<std::atomic<bool>>(false);

    // Everything below: this thread only (the constructor before the loop starts).
    Phase phase = Phase::kDispatching;  // moved by moveTo() alone
    int error = 0;                      // the first failure, 0 for none
    V360SoundStage::Music music;
    V360JobProgress progress;

    // Dispatching.
    V360SectionBuilder* currentBuilder = nullptr;
    std::deque<V360SectionBuilder*> pendingBuilders;
    List<V360SectionBuilder*> allBuilders;  // owned
    int framesDispatched = 0;
    int currentSectionIndex = -1;
    // What is out, waited for before the job ends: frames (the pool's buffers), a section's
    // asynchronous preparation, the sound stage's thread.
    V360FramePool pool;
    std::set<V360DewarpTask*> liveTasks;
    bool preparing = false;
    std::thread soundWorker;

    // Draining: the encode stage and the sound stage still running, and the sound made.
    std::unique_ptr<V360VideoEncodeStage> encodeStage;
    int stagesRunning = 0;
    QString sound;

    // Stage timings for the log, in ms since the first section arrived.
    QElapsedTimer clock;
    qint64 dispatchEndedAt = 0;
    qint64 soundMadeAt = 0;
    qint64 videoEncodedAt = 0;
};
