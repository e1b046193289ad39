#include "V360DispatchThread.h"

#include <QDateTime>
#include <QFile>

#include <cstdlib>

#include "LogSystem.h"
#include "ResultCode.h"
#include "V360DewarpTask.h"
#include "V360MuxStage.h"
#include "V360SectionBuilder.h"
#include "V360VideoEncodeStage.h"
#include "Video360GeneratorHelper.h"

namespace {

const char* const kTag = "V360DispatchThread";
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
      progress(height),
      pool(kBufferCount, static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) * 4) {
    qRegisterMetaType<V360SectionBuilder*>("V360SectionBuilder*");
    makeComment(commentTime, commentValue, commentFlag);
    encodeStage.reset(new V360VideoEncodeStage(pureVideo, width, height, bitRate, comment));
    if (pool.allocationFailed()) fail(ResultCode::kNoMemory);
    if (!folder.isValid()) {
        LogSystem::e(kTag, "can not create temp dir?");
        fail(ResultCode::kSetupFailed);
    }
    moveToThread(this);
    connectRequests();
}

// Runs after the loop has ended: frames still in flight and the stages' threads are waited
// for before anything they use is freed.
V360DispatchThread::~V360DispatchThread() {
    *stopping = true;
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

// The flag is set at once, so that a stage running on this thread (the mux, the copy) or on
// its own sees it.
void V360DispatchThread::cancelVideoGeneration() {
    *stopping = true;
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
    advance();
}

void V360DispatchThread::_closeVideoGeneration() {
    progress.close(muted, !music.path.isEmpty());
    advance();
}

void V360DispatchThread::_cancelVideoGeneration() {
    *stopping = true;
    fail(ResultCode::kCancelled);
    advance();
}

void V360DispatchThread::builderPrepared() {
    preparing = false;
    advance();
}

void V360DispatchThread::updateCurrentIASteps(int steps) {
    report(progress.preparing(steps, framesDispatched));
}

// The one decision, after every event: the job moves on as far as it can in its phase. A
// failure stops the stages; the result is told once nothing is out any more.
void V360DispatchThread::advance() {
    if (phase == Phase::kDispatching) dispatch();
    if (phase == Phase::kDraining) {
        // The encoder drains once the last rendered buffer is back from it.
        if (pool.allFree()) encodeStage->finish();
        if (stagesRunning == 0) finish(muxAndCopy());
    }
    if (phase == Phase::kFailing && nothingOut()) finish(error);
}

// The one place the phase changes.
void V360DispatchThread::moveTo(Phase next) { phase = next; }

bool V360DispatchThread::nothingOut() const {
    return pool.allFree() && !preparing && !soundWorker.joinable();
}

// Keeps the first failure; the stages stop at their next step.
void V360DispatchThread::fail(int result) {
    if (phase == Phase::kDone || result == 0) return;
    if (error == 0) error = result;
    if (phase == Phase::kFailing) return;
    *stopping = true;
    if (encodeStage) encodeStage->stop();
    moveTo(Phase::kFailing);
}

// Hands out frames while a buffer is free; drains once the job is closed and every section
// has run out of frames.
void V360DispatchThread::dispatch() {
    while (phase == Phase::kDispatching && pool.hasFree() && !preparing) {
        if (!currentBuilder) {
            if (pendingBuilders.empty()) {
                if (progress.isClosed()) startDraining();
                return;
            }
            if (!prepareCurrentBuilder() || !currentBuilder) return;
        }
        void* frame = currentBuilder->prepareSrcFrame(currentBuilder->nextFrameIndex);
        if (frame)
            startDewarpTask(frame);
        else
            finishCurrentBuilder();
    }
}

// False on a failed preparation; no current builder while it goes on asynchronously.
bool V360DispatchThread::prepareCurrentBuilder() {
    currentBuilder = pendingBuilders.front();
    // Frames may skip BGRA when the job draws nothing over them; the first section gives the
    // colour the video is written in.
    const Video360GeneratorHelper* helper = Video360GeneratorHelper::getHelper();
    currentBuilder->allowPlanarOutput(!encodeStage->isOpen() && !(helper && helper->drawsTexts()));
    const int result = currentBuilder->prepare();
    if (result == ResultCode::kPrepareAsync) {
        preparing = true;
        currentBuilder = nullptr;
        return true;
    }
    if (result < 0) {
        currentBuilder = nullptr;
        LogSystem::e(kTag, "builder prepare failed: %d", result);
        fail(result);
        return false;
    }
    if (!openEncodeStage()) {
        currentBuilder = nullptr;
        return false;
    }
    report(progress.sectionPrepared(currentBuilder->totalIASteps(), framesDispatched));
    currentBuilder->userCount += 1;
    currentSectionIndex += 1;
    return true;
}

// The encode stage reports back to this thread by queued calls.
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
    fail(result);
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
    report(progress.dispatched(framesDispatched));
}

void V360DispatchThread::finishCurrentBuilder() {
    V360SectionBuilder* builder = currentBuilder;
    currentBuilder = nullptr;
    pendingBuilders.pop_front();
    releaseUser(builder);
    if (builder->failure == ResultCode::kNoMemory)
        LogSystem::e(kTag, "May receive out of memory when generate!");
    else if (builder->failure != 0)
        LogSystem::e(kTag, "section source failed: %d", builder->failure);
    fail(builder->failure);
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
    advance();
}

// Hands every rendered buffer whose turn has come to the encode stage; after a failure they
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
    if (phase == Phase::kDone) return;
    if (!pool.giveBack(buffer)) fail(ResultCode::kNoMemory);
    fail(result);
    advance();
}

// Every frame is handed out: the sound is made while the last frames are encoded.
void V360DispatchThread::startDraining() {
    if (allBuilders.empty() || !encodeStage->isOpen()) {
        LogSystem::e(kTag, "no section to generate?");
        return fail(ResultCode::kAbsent);
    }
    moveTo(Phase::kDraining);
    dispatchEndedAt = clock.elapsed();
    report(progress.framesDone());
    stagesRunning = 2;
    startSoundStage();
}

// The sound stage runs on values taken here: each section's sound, the folder, the music.
void V360DispatchThread::startSoundStage() {
    std::vector<V360SectionBuilder::Sound> sounds;
    for (V360SectionBuilder* builder : allBuilders) sounds.push_back(builder->takeSound());
    soundWorker =
        std::thread([this, sounds, folder = folder.path(), volume = videoVolume, muted = muted,
                     music = music, frames = framesDispatched, stop = stopping] {
            V360SoundStage stage(
                folder,
                [this] {
                    QMetaObject::invokeMethod(
                        this, [this] { report(progress.stepDone()); }, Qt::QueuedConnection);
                },
                stop.get());
            QString made;
            const int result = stage.make(sounds, volume, muted, music, frames, &made);
            QMetaObject::invokeMethod(
                this, [this, result, made] { onSoundMade(result, made); }, Qt::QueuedConnection);
        });
}

void V360DispatchThread::onSoundMade(int result, const QString& made) {
    soundWorker.join();
    soundMadeAt = clock.elapsed();
    sound = made;
    stageEnded(result);
}

void V360DispatchThread::onVideoEncoded(int result) {
    videoEncodedAt = clock.elapsed();
    stageEnded(result);
}

void V360DispatchThread::stageEnded(int result) {
    stagesRunning -= 1;
    fail(result);
    advance();
}

// The sound muxed with the video and the result copied to the output path: 0 or the failure.
// A cancel that arrives before the result is told wins, also over a finished copy: the
// output goes and the job fails with -10002.
int V360DispatchThread::muxAndCopy() {
    if (*stopping) return ResultCode::kCancelled;
    // Without a sound the silent video is the muxed one.
    const QString& muxed = sound.isEmpty() ? pureVideo : muxedVideo;
    if (!sound.isEmpty()) {
        const int result = V360MuxStage::mux(sound, pureVideo, muxedVideo, comment);
        if (result != 0) return result;
        report(progress.stepDone());
    }
    if (*stopping) return ResultCode::kCancelled;
    int result = V360MuxStage::copyToOutput(muxed, outputPath, addSpatialMeta);
    if (*stopping) result = ResultCode::kCancelled;
    // A failed or cancelled copy leaves no part of the output.
    if (result != 0) QFile::remove(outputPath);
    return result;
}

// The temporary files go before the result is told, so that a receiver finds none left.
void V360DispatchThread::finish(int result) {
    moveTo(Phase::kDone);
    encodeStage->stop();
    pool.release();
    folder.remove();
    logStageTimes(result);
    if (result != 0)
        emit videoGenerationFailed(result);
    else
        emit videoGenerated();
}

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
