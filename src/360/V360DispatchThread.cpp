#include "V360DispatchThread.h"

#include <QDateTime>
#include <QFile>

#include <cstdlib>

#include "LogSystem.h"
#include "V360DewarpTask.h"
#include "V360MuxStage.h"
#include "V360SectionBuilder.h"
#include "V360VideoEncodeStage.h"
#include "Video360GeneratorHelper.h"

namespace {

const char* const kTag = "V360DispatchThread";
const int kPrepareAsync = 10000008;
const int kCancelled = -10002;
const int kBufferCount = 4;

}  // namespace

V360DispatchThread::V360DispatchThread(QString outputPath, int width, int height, int bitRate,
                                       double videoVolume, long long commentTime,
                                       long long commentValue, int commentFlag, QString tempDir)
    : folder(std::move(tempDir)),
      pureVideo(folder.file("pureVideo.mp4")),
      muxedVideo(folder.file("withAudioVideo.mp4")),
      outputPath(std::move(outputPath)),
      whiteNoise(folder.file("whiteNoise.mp3")),
      volumeReadyWhiteNoise(folder.file("volumeReadyWN.m4a")),
      muted(videoVolume <= 0),
      videoVolume(videoVolume),
      pool(kBufferCount, static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) * 4),
      progress(height) {
    qRegisterMetaType<V360SectionBuilder*>("V360SectionBuilder*");
    makeComment(commentTime, commentValue, commentFlag);
    encodeStage.reset(new V360VideoEncodeStage(pureVideo, width, height, bitRate, comment));
    if (pool.allocationFailed()) error = -6;
    if (!folder.isValid()) {
        LogSystem::e(kTag, "can not create temp dir?");
        error = -3;
    }
    moveToThread(this);
    connectRequests();
}

// Runs after the loop has ended: frames still in flight and the stages' threads are waited
// for before anything they use is freed.
V360DispatchThread::~V360DispatchThread() {
    cancelled = true;
    for (V360DewarpTask* task : liveTasks) {
        task->wait();
        task->builder()->releaseSrcFrame(task->src());
        delete task;
    }
    liveTasks.clear();
    if (soundWorker.joinable()) soundWorker.join();
    encodeStage.reset();
    allBuilders.deleteAllObjsAndReset();
}

void V360DispatchThread::connectRequests() {
    connect(this, SIGNAL(eSetMusicSource(QString, double, double, double, bool)), this,
            SLOT(_setMusicSource(QString, double, double, double, bool)), Qt::QueuedConnection);
    connect(this, SIGNAL(eAddV360SectionBuilder(V360SectionBuilder*)), this,
            SLOT(_addV360SectionBuilder(V360SectionBuilder*)), Qt::QueuedConnection);
    connect(this, SIGNAL(eCloseVideoGeneration()), this, SLOT(_closeVideoGeneration()),
            Qt::QueuedConnection);
    connect(this, SIGNAL(eCancelVideoGeneration()), this, SLOT(_cancelVideoGeneration()),
            Qt::QueuedConnection);
    connect(this, SIGNAL(eBuilderPrepared()), this, SLOT(builderPrepared()), Qt::QueuedConnection);
    connect(this, SIGNAL(eUpdateCurrentIASteps(int)), this, SLOT(updateCurrentIASteps(int)),
            Qt::QueuedConnection);
}

void V360DispatchThread::makeComment(long long commentTime, long long commentValue,
                                     int commentFlag) {
    if (commentTime <= 0) return;
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    comment =
        QString::asprintf("P: %lld(%c%02d:%02d) %lld,%d", commentTime, offset < 0 ? '-' : '+',
                          minutes / 60, minutes % 60, commentValue, commentFlag < 0 ? 0 : 2000);
}

void V360DispatchThread::setMusicSource(QString musicPath, double startTime, double endTime,
                                        double musicVolume, bool loopMusic) {
    emit eSetMusicSource(musicPath, startTime, endTime, musicVolume, loopMusic);
}

void V360DispatchThread::addV360SectionBuilder(V360SectionBuilder* builder) {
    emit eAddV360SectionBuilder(builder);
}

void V360DispatchThread::closeVideoGeneration() { emit eCloseVideoGeneration(); }

// The flag is set at once, so that a stage running on this thread (the mux, the copy) sees it.
void V360DispatchThread::cancelVideoGeneration() {
    cancelled = true;
    emit eCancelVideoGeneration();
}

void V360DispatchThread::setNoNeedAddSpatialMetaData() { addSpatialMeta = false; }

void V360DispatchThread::_setMusicSource(QString path, double startTime, double endTime,
                                         double volume, bool loop) {
    music = {path, startTime, endTime, volume, loop};
}

void V360DispatchThread::_addV360SectionBuilder(V360SectionBuilder* builder) {
    if (!clock.isValid()) clock.start();
    builder->owner = this;
    progress.addSection(builder->totalFrames(), builder->totalIASteps());
    pendingBuilders.push_back(builder);
    allBuilders.append(builder);
    dispatchVFrameGeneration();
}

void V360DispatchThread::_closeVideoGeneration() {
    closed = true;
    progress.close(muted, !music.path.isEmpty());
    prepareStepsDone = prepareStepsCurrent = 0;
    if (pendingBuilders.empty() && !currentBuilder) dispatchVFrameGeneration();
}

void V360DispatchThread::_cancelVideoGeneration() {
    if (resultEmitted) return;
    cancelled = true;
    if (error == 0) error = kCancelled;
    encodeStage->stop();
    failWhenIdle();
}

void V360DispatchThread::builderPrepared() {
    preparePending = false;
    dispatchVFrameGeneration();
}

void V360DispatchThread::updateCurrentIASteps(int steps) {
    prepareStepsCurrent = prepareStepsDone + steps;
    report(progress.dispatched(framesDispatched, prepareStepsCurrent));
}

bool V360DispatchThread::isIdle() const {
    return pool.allFree() && !preparePending && !soundWorker.joinable();
}

void V360DispatchThread::dispatchVFrameGeneration() {
    while (error == 0 && !dispatchEnded) {
        if (!pool.hasFree() || preparePending) return;
        if (!currentBuilder) {
            if (pendingBuilders.empty()) {
                checkAndClosePureVideoGeneration();
                return;
            }
            if (!prepareCurrentBuilder()) break;
            if (!currentBuilder) return;
        }
        void* frame = currentBuilder->prepareSrcFrame(currentBuilder->nextFrameIndex);
        if (frame)
            startDewarpTask(frame);
        else
            finishCurrentBuilder();
    }
    failWhenIdle();
}

// False on a failed preparation; no current builder while it goes on asynchronously.
bool V360DispatchThread::prepareCurrentBuilder() {
    currentBuilder = pendingBuilders.front();
    // Frames may skip BGRA when the job draws nothing over them; the first section gives the
    // colour the video is written in.
    const Video360GeneratorHelper* helper = Video360GeneratorHelper::getHelper();
    currentBuilder->allowPlanarOutput(!encodeStage->isOpen() && !(helper && helper->drawsTexts()));
    const int result = currentBuilder->prepare();
    if (result == kPrepareAsync) {
        preparePending = true;
        currentBuilder = nullptr;
        return true;
    }
    if (result < 0) {
        currentBuilder = nullptr;
        LogSystem::e(kTag, "builder prepare failed: %d", result);
        error = result;
        return false;
    }
    if (!openEncodeStage()) {
        currentBuilder = nullptr;
        return false;
    }
    prepareStepsDone += currentBuilder->totalIASteps();
    prepareStepsCurrent = prepareStepsDone;
    report(progress.dispatched(framesDispatched, prepareStepsCurrent));
    currentBuilder->userCount += 1;
    currentSectionIndex += 1;
    return true;
}

bool V360DispatchThread::openEncodeStage() {
    if (encodeStage->isOpen()) return true;
    const int result = encodeStage->open(
        currentBuilder->sourceColour(),
        [this](BufferInfo* buffer, int code) {
            QMetaObject::invokeMethod(
                this, [this, buffer, code] { onFrameTaken(buffer, code); }, Qt::QueuedConnection);
        },
        [this](int code) {
            QMetaObject::invokeMethod(
                this, [this, code] { onVideoEncoded(code); }, Qt::QueuedConnection);
        });
    if (result != 0) error = result;
    return result == 0;
}

void V360DispatchThread::startDewarpTask(void* frame) {
    currentBuilder->userCount += 1;
    BufferInfo* buffer = pool.take();
    buffer->planar = currentBuilder->rendersPlanar();
    auto* task = new V360DewarpTask(currentBuilder, currentBuilder->nextFrameIndex, frame, buffer,
                                    framesDispatched);
    liveTasks.insert(task);
    connect(task, SIGNAL(finished()), this, SLOT(onDewarpDone()), Qt::QueuedConnection);
    task->start(QThread::InheritPriority);
    currentBuilder->nextFrameIndex += 1;
    framesDispatched += 1;
    report(progress.dispatched(framesDispatched, prepareStepsCurrent));
}

void V360DispatchThread::finishCurrentBuilder() {
    V360SectionBuilder* builder = currentBuilder;
    currentBuilder = nullptr;
    pendingBuilders.pop_front();
    releaseUser(builder);
    if (builder->failure == -6)
        LogSystem::e(kTag, "May receive out of memory when generate!");
    else if (builder->failure != 0)
        LogSystem::e(kTag, "section source failed: %d", builder->failure);
    if (builder->failure != 0) error = builder->failure;
}

void V360DispatchThread::releaseUser(V360SectionBuilder* builder) {
    builder->userCount -= 1;
    if (builder->userCount == 0) builder->releaseAllDecodeDewarpResource();
}

void V360DispatchThread::onDewarpDone() {
    auto* task = static_cast<V360DewarpTask*>(sender());
    if (!liveTasks.erase(task)) return;
    task->wait();
    task->builder()->releaseSrcFrame(task->src());
    releaseUser(task->builder());
    pool.rendered(task->buffer());
    delete task;
    encodeInOrder();
    dispatchVFrameGeneration();
}

// Hands every rendered buffer whose turn has come to the encode stage; after an error they
// go straight back to the pool.
void V360DispatchThread::encodeInOrder() {
    while (BufferInfo* buffer = pool.nextInOrder()) {
        if (error == 0)
            encodeStage->encode(buffer);
        else
            pool.giveBack(buffer);
    }
}

void V360DispatchThread::onFrameTaken(BufferInfo* buffer, int result) {
    if (resultEmitted) return;
    pool.giveBack(buffer);
    if (result != 0 && error == 0) error = result;
    if (error == 0)
        dispatchVFrameGeneration();
    else
        failWhenIdle();
    checkAndClosePureVideoGeneration();
}

// Every frame has been handed out and every buffer is back: the encode stage drains and the
// sound is made meanwhile.
void V360DispatchThread::checkAndClosePureVideoGeneration() {
    if (!closed || resultEmitted || error != 0 || currentBuilder || !pendingBuilders.empty())
        return;
    if (allBuilders.empty() || !encodeStage->isOpen()) {
        LogSystem::e(kTag, "no section to generate?");
        error = -7;
        failWhenIdle();
        return;
    }
    if (!dispatchEnded) {
        dispatchEnded = true;
        dispatchEndedAt = clock.elapsed();
        report(progress.framesDone());
        startSoundStage();
    }
    if (pool.allFree() && !videoEncoded) encodeStage->finish();
}

void V360DispatchThread::startSoundStage() {
    const int frames = framesDispatched;
    soundWorker = std::thread([this, frames] {
        V360SoundStage stage(
            folder.path(),
            [this] {
                QMetaObject::invokeMethod(
                    this, [this] { stepDone(); }, Qt::QueuedConnection);
            },
            &cancelled);
        QString made;
        const int result = stage.make(allBuilders, videoVolume, muted, music, frames, &made);
        QMetaObject::invokeMethod(
            this, [this, result, made] { onSoundMade(result, made); }, Qt::QueuedConnection);
    });
}

void V360DispatchThread::onSoundMade(int result, const QString& made) {
    soundWorker.join();
    soundMade = true;
    soundMadeAt = clock.elapsed();
    sound = made;
    if (result != 0 && error == 0) error = result;
    if (error != 0) {
        encodeStage->stop();
        failWhenIdle();
    } else if (videoEncoded) {
        muxAndCopy();
    }
}

void V360DispatchThread::onVideoEncoded(int result) {
    videoEncoded = true;
    videoEncodedAt = clock.elapsed();
    if (result != 0 && error == 0) error = result;
    if (error != 0)
        failWhenIdle();
    else if (soundMade)
        muxAndCopy();
}

// A cancel that arrives before the result is told wins, also over a finished copy: the
// output goes and the job fails with -10002.
void V360DispatchThread::muxAndCopy() {
    if (cancelled) return releaseAndEmitResult(kCancelled);
    if (sound.isEmpty()) {
        muxedVideo = pureVideo;
    } else {
        const int result = V360MuxStage::mux(sound, pureVideo, muxedVideo, comment);
        if (result != 0) return releaseAndEmitResult(result);
        stepDone();
    }
    if (cancelled) return releaseAndEmitResult(kCancelled);
    int result = V360MuxStage::copyToOutput(muxedVideo, outputPath, addSpatialMeta);
    if (cancelled) result = kCancelled;
    // A failed or cancelled copy leaves no part of the output.
    if (result != 0) QFile::remove(outputPath);
    releaseAndEmitResult(result);
}

void V360DispatchThread::failWhenIdle() {
    if (error != 0 && isIdle() && !resultEmitted) releaseAndEmitResult(error);
}

// The temporary files go before the result is told, so that a receiver finds none left.
void V360DispatchThread::releaseAndEmitResult(int result) {
    resultEmitted = true;
    encodeStage->stop();
    pool.release();
    folder.remove();
    logStageTimes(result);
    if (result != 0)
        emit videoGenerationFailed(result);
    else
        emit videoGenerated();
}

void V360DispatchThread::stepDone() { report(progress.stepDone()); }

void V360DispatchThread::report(int percent) {
    if (percent < 0) return;
    emit videoGenerationProgressUpdate(percent / 100.0f, 0, currentSectionIndex,
                                       static_cast<int>(allBuilders.size()));
}

void V360DispatchThread::logStageTimes(int result) {
    LogSystem::i(kTag,
                 "job %d: %d frames handed out at %lld ms, sound made at %lld ms, video encoded "
                 "at %lld ms, done at %lld ms",
                 result, framesDispatched, static_cast<long long>(dispatchEndedAt),
                 static_cast<long long>(soundMadeAt), static_cast<long long>(videoEncodedAt),
                 static_cast<long long>(clock.isValid() ? clock.elapsed() : 0));
}
