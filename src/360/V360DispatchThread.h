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

// The thread of one conversion job, with its own event loop. Requests arrive as queued `e`
// signals and run here; the job is a sequence of stages that overlap:
//
// 1. Dispatch: while a buffer of the pool of four is free, the current section hands out its
//    next source frame (decoded ahead on the section's own thread) and a V360DewarpTask
//    renders it into the buffer.
// 2. Video encode: rendered buffers go strictly in dispatch order to the encode stage, which
//    encodes them on its own thread into the silent video (V360VideoEncodeStage).
// 3. Sound: once every frame is handed out, each section's sound, joined and mixed with the
//    music, is made on a thread of its own while the last frames are encoded
//    (V360SoundStage).
// 4. Mux and metadata: when both have ended, the sound and the video are muxed and copied to
//    the output path with the spherical-video box (V360MuxStage).
// 5. The result is emitted once; the job's private folder goes with every temporary file in
//    it (V360JobFolder).
// A cancel stops the job at the next step of whichever stage runs; it then fails with -10002
// once the frames in flight are back, without touching the temporary files again.
//
// Public entries are safe from any thread. Section builders added are owned (deleted with the
// thread). Deleting the thread after its loop has ended waits for the frames in flight.
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
    QString pureVideoPath() const { return pureVideo; }
    QString muxedVideoPath() const { return muxedVideo; }

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
    void makeComment(long long commentTime, long long commentValue, int commentFlag);
    void connectRequests();
    void dispatchVFrameGeneration();
    bool prepareCurrentBuilder();
    bool openEncodeStage();
    void startDewarpTask(void* frame);
    void finishCurrentBuilder();
    void releaseUser(V360SectionBuilder* builder);
    void encodeInOrder();
    void onFrameTaken(BufferInfo* buffer, int result);
    void onVideoEncoded(int result);
    void checkAndClosePureVideoGeneration();
    void startSoundStage();
    void onSoundMade(int result, const QString& sound);
    void muxAndCopy();
    void failWhenIdle();
    void releaseAndEmitResult(int result);
    void report(int percent);
    void logStageTimes(int result);
    void stepDone();
    bool isIdle() const;

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
    std::atomic<bool> cancelled{false};

    // Everything below: the dispatch thread only (the constructor before the loop starts).
    V360SoundStage::Music music;

    V360SectionBuilder* currentBuilder = nullptr;
    std::deque<V360SectionBuilder*> pendingBuilders;
    List<V360SectionBuilder*> allBuilders;  // owned
    std::unique_ptr<V360VideoEncodeStage> encodeStage;
    V360FramePool pool;
    std::set<V360DewarpTask*> liveTasks;
    std::thread soundWorker;

    bool closed = false;
    int error = 0;
    bool resultEmitted = false;
    bool dispatchEnded = false;
    bool videoEncoded = false;
    bool soundMade = false;
    QString sound;

    // Stage timings for the log, in ms since the first section arrived.
    QElapsedTimer clock;
    qint64 dispatchEndedAt = 0;
    qint64 soundMadeAt = 0;
    qint64 videoEncodedAt = 0;

    int framesDispatched = 0;
    int currentSectionIndex = -1;
    V360JobProgress progress;
    int prepareStepsDone = 0;
    int prepareStepsCurrent = 0;
    bool preparePending = false;
};
