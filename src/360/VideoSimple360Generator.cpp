#include "VideoSimple360Generator.h"

#include <QFile>

#include "ResultCode.h"
#include "V360DispatchThread.h"
#include "V360PanoramaVideoSectionBuilder.h"
#include "Video360GeneratorHelper.h"

VideoSimple360Generator::VideoSimple360Generator(QString outputPath, int width, int height,
                                                 int bitRate, QString overlayImagePath,
                                                 double videoVolume, long long commentTime,
                                                 long long commentValue, int commentFlag,
                                                 QString tempDir)
    : outputPath(outputPath),
      width(width),
      height(height),
      bitRate(bitRate),
      commentFlag(commentFlag),
      helper(Video360GeneratorHelper::alloc(width, height, overlayImagePath)),
      thread(new V360DispatchThread(outputPath, width, height, bitRate, videoVolume, commentTime,
                                    commentValue, commentFlag, tempDir)) {
    connect(thread, SIGNAL(videoGenerationProgressUpdate(float, float, int, int)), this,
            SLOT(videoGenerationProgressUpdate(float, float, int, int)), Qt::QueuedConnection);
    connect(thread, SIGNAL(videoGenerated()), this, SLOT(videoGenerated()), Qt::QueuedConnection);
    connect(thread, SIGNAL(videoGenerationFailed(int)), this, SLOT(videoGenFailed(int)),
            Qt::QueuedConnection);
    thread->start(QThread::InheritPriority);
}

VideoSimple360Generator::~VideoSimple360Generator() {
    thread->cancelVideoGeneration();
    thread->exit(0);
    thread->wait();
    delete thread;
    // After the thread: its dewarp tasks draw the helper's texts.
    Video360GeneratorHelper::release(helper);
}

VideoSimple360Generator* VideoSimple360Generator::genPanoramaVideo(
    QString srcPath, QString outputPath, int width, int height, float centerX, float centerY,
    float radius, double startTime, double endTime) {
    auto* generator = new VideoSimple360Generator(outputPath, width, height, 6250000, QString(),
                                                  1.0, -1, -1, -1, QString());
    auto* builder = new V360PanoramaVideoSectionBuilder(width, height, srcPath, startTime, endTime,
                                                        centerX, centerY, radius);
    generator->setShouldAutoDelete(true);
    generator->addV360SectionBuilder(builder);
    generator->closeVideoGeneration();
    return generator;
}

void VideoSimple360Generator::addV360SectionBuilder(V360SectionBuilder* builder) {
    thread->addV360SectionBuilder(builder);
}

void VideoSimple360Generator::closeVideoGeneration() {
    closed = true;
    thread->closeVideoGeneration();
}

int VideoSimple360Generator::cancelGeneration() {
    cancelled = true;
    if (closed) thread->cancelVideoGeneration();
    return 0;
}

void VideoSimple360Generator::setShouldAutoDelete(bool value) { autoDelete = value; }

void VideoSimple360Generator::videoGenerationProgressUpdate(float totalProgress,
                                                            float curMediaProgress, int curMediaIdx,
                                                            int totalMedias) {
    if (!cancelled)
        emit videoGenProgressUpdate(totalProgress, curMediaProgress, curMediaIdx, totalMedias);
}

// A cancel made after the thread finished but before its report arrived still wins.
void VideoSimple360Generator::videoGenerated() {
    if (cancelled) {
        QFile::remove(outputPath);
        return videoGenFailed(ResultCode::kCancelled);
    }
    emit videoGenerationFinished(outputPath);
    if (autoDelete) delete this;
}

void VideoSimple360Generator::videoGenFailed(int result) {
    emit videoGenerationFailed(result);
    if (autoDelete) delete this;
}
