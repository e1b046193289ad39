#pragma once

#include <QObject>
#include <QString>

class V360DispatchThread;
class V360SectionBuilder;
class Video360GeneratorHelper;

// Front end of one conversion job on the GUI thread: owns the job's helper and dispatch
// thread and relays the thread's progress and result as its own signals. With auto-delete it
// deletes itself right after the final signal; a receiver must not use it afterwards.
class VideoSimple360Generator : public QObject {
    Q_OBJECT
  public:
    // bitRate: bits a second; overlayImagePath: patch for unseen directions (may be empty);
    // videoVolume: factor for the recordings' own sound (0 or less: muted); commentTime > 0
    // writes a comment entry; tempDir: folder of the temporary files (empty: the default).
    VideoSimple360Generator(QString outputPath, int width, int height, int bitRate,
                            QString overlayImagePath, double videoVolume, long long commentTime,
                            long long commentValue, int commentFlag, QString tempDir);
    // Ends the thread after its current step; frames in flight are waited for.
    ~VideoSimple360Generator() override;

    // One panorama section over [startTime, endTime] seconds (-1: whole recording) of a
    // fisheye recording, closed at once and auto-deleting. The caller connects the signals.
    static VideoSimple360Generator* genPanoramaVideo(QString srcPath, QString outputPath, int width,
                                                     int height, float centerX, float centerY,
                                                     float radius, double startTime,
                                                     double endTime);

    // Hands the builder to the job (owned by it from now on).
    void addV360SectionBuilder(V360SectionBuilder* builder);
    void closeVideoGeneration();
    // 0. No more progress is relayed; the job fails with -10002 once its frames are back,
    // and leaves no output file, also when the cancel comes after the last frame.
    int cancelGeneration();
    void setShouldAutoDelete(bool autoDelete);

    V360DispatchThread* dispatchThread() const { return thread; }

  signals:
    void videoGenProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                int totalMedias);
    void videoGenerationFinished(QString filePath);
    void videoGenerationFailed(int result);

  private slots:
    void videoGenerationProgressUpdate(float totalProgress, float curMediaProgress, int curMediaIdx,
                                       int totalMedias);
    void videoGenerated();
    void videoGenFailed(int result);

  private:
    QString outputPath;
    int width;
    int height;
    int bitRate;
    int commentFlag;
    Video360GeneratorHelper* helper;
    V360DispatchThread* thread;
    bool autoDelete = false;
    bool closed = false;
    bool cancelled = false;
};
