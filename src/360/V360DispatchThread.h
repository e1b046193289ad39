#pragma once

#include <QString>
#include <QThread>

#include <atomic>
#include <deque>
#include <memory>
#include <set>

#include "BufferInfo.h"
#include "List.h"

class FFMpegEncoder360G;
class V360DewarpTask;
class V360SectionBuilder;

// The thread of one conversion job, with its own event loop. Requests arrive as queued `e`
// signals and run here:
//
// 1. Dispatch: while a buffer of the pool of four is free, the current section hands out its
//    next source frame and a V360DewarpTask renders it into the buffer.
// 2. Encoding: finished buffers are encoded strictly in dispatch order into the silent video.
// 3. Sound: each section's sound, joined (and mixed with the music), muxed with the video.
// 4. Final copy: the muxed file to the output path with the spherical-video box.
// 5. The result is emitted once; the temporary files are removed.
//
// Public entries are safe from any thread. Section builders added are owned (deleted with the
// thread). Deleting the thread after its loop has ended waits for the frames in flight.
class V360DispatchThread : public QThread {
    Q_OBJECT
  public:
    // tempDir: folder of the temporary files (empty: the user's temporary location +
    // "/UQO Studio"). A comment is written when commentTime > 0.
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
    void makeTempPaths(QString tempDir);
    void makeComment(long long commentTime, long long commentValue, int commentFlag);
    void allocBuffers(int width, int height);
    void dispatchVFrameGeneration();
    bool prepareCurrentBuilder();
    void startDewarpTask(void* frame);
    void finishCurrentBuilder();
    void releaseUser(V360SectionBuilder* builder);
    void tryEncodeMore();
    bool encodeNextInOrder();
    void checkAndClosePureVideoGeneration();
    void mergeAudioWithPureVideo();
    void mergeMusicWithPureVideo();
    int joinSectionSounds(const QString& folder, QString* sound);
    int muxWithVideo(const QString& sound);
    int prepareMusicFile(QString target);
    void addSpatialMetaData();
    void releaseAndEmitResult(int result);
    void removeTempFiles();
    void updateDispatchProgress();
    void reportProgress();
    bool allBuffersFree() const;

    // Set up by the constructor; read-only afterwards.
    QString pureVideo;
    QString muxedVideo;
    QString outputPath;
    QString whiteNoise;
    QString volumeReadyWhiteNoise;
    int bitRate;
    bool muted;
    double videoVolume;

    // Everything below: the dispatch thread only (the constructor before the loop starts).
    QString musicPath;
    double musicVolume = 0;
    double musicStart = 0;
    double musicEnd = 0;
    bool loopMusic = false;

    V360SectionBuilder* currentBuilder = nullptr;
    std::deque<V360SectionBuilder*> pendingBuilders;
    List<V360SectionBuilder*> allBuilders;  // owned
    std::unique_ptr<FFMpegEncoder360G> encoder;

    int bufferCount = 4;
    std::deque<BufferInfo*> freeBuffers;
    std::deque<BufferInfo*> doneBuffers;
    std::set<V360DewarpTask*> liveTasks;
    int nextBufferSequence = 0;
    int nextSequenceToEncode = 0;

    bool closed = false;
    int error = 0;
    bool resultEmitted = false;

    int framesDispatched = 0;
    int currentSectionIndex = -1;
    int totalFrames = 0;
    int totalPrepareSteps = 0;
    std::atomic<bool> addSpatialMeta{true};  // written from any thread
    int highestPercent = 0;
    QString comment;
    double prepareFactor;
    double prepareWeight = 0;
    double totalUnits = 0;
    double progressValue = 0;
    int prepareStepsDone = 0;
    int prepareStepsCurrent = 0;
    bool preparePending = false;
};
