#include "V360DispatchThread.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <new>

extern "C" {
#include <libavutil/error.h>
}

#include "FFMpegAVMuxer.h"
#include "FFMpegAudioExtractor.h"
#include "FFMpegAudioMixer.h"
#include "FFMpegEncoder360G.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "SpatialMetaData.h"
#include "V360DewarpTask.h"
#include "V360SectionBuilder.h"

namespace {

const char* const kTag = "V360DispatchThread";
const int kPrepareAsync = 10000008;
const int kCancelled = -10002;

QByteArray utf8(const QString& text) { return text.toUtf8(); }

}  // namespace

V360DispatchThread::V360DispatchThread(QString outputPath, int width, int height, int bitRate,
                                       double videoVolume, long long commentTime,
                                       long long commentValue, int commentFlag, QString tempDir)
    : outputPath(std::move(outputPath)),
      bitRate(bitRate),
      muted(videoVolume <= 0),
      videoVolume(videoVolume),
      prepareFactor(6065280.0 / (static_cast<double>(height) * height)) {
    qRegisterMetaType<V360SectionBuilder*>("V360SectionBuilder*");
    makeTempPaths(std::move(tempDir));
    makeComment(commentTime, commentValue, commentFlag);
    encoder.reset(new FFMpegEncoder360G(utf8(pureVideo).constData(), width, height, bitRate,
                                        comment.isEmpty() ? nullptr : utf8(comment).constData()));
    error = encoder->getInitError();
    allocBuffers(width, height);
    moveToThread(this);
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

// Runs after the loop has ended: frames still in flight are waited for before anything they
// use is freed.
V360DispatchThread::~V360DispatchThread() {
    for (V360DewarpTask* task : liveTasks) {
        task->wait();
        task->builder()->releaseSrcFrame(task->src());
        freeBuffers.push_back(task->buffer());
        delete task;
    }
    liveTasks.clear();
    for (BufferInfo* buffer : doneBuffers) freeBuffers.push_back(buffer);
    for (BufferInfo* buffer : freeBuffers) {
        delete[] buffer->data;
        delete buffer;
    }
    if (encoder) encoder->endEncode();
    encoder.reset();
    allBuilders.deleteAllObjsAndReset();
    if (!resultEmitted) removeTempFiles();
}

void V360DispatchThread::makeTempPaths(QString tempDir) {
    if (tempDir.isEmpty())
        tempDir = QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio";
    QDir().mkpath(tempDir);
    pureVideo = tempDir + "/pureVideo.mp4";
    muxedVideo = tempDir + "/withAudioVideo.mp4";
    whiteNoise = tempDir + "/whiteNoise.mp3";
    volumeReadyWhiteNoise = tempDir + "/volumeReadyWN.m4a";
    QFile::remove(pureVideo);
    QFile::remove(muxedVideo);
    QFile::remove(volumeReadyWhiteNoise);
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

void V360DispatchThread::allocBuffers(int width, int height) {
    const size_t size = static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) * 4;
    for (int i = 0; i < bufferCount; ++i) {
        auto* buffer = new (std::nothrow) BufferInfo;
        if (buffer) buffer->data = new (std::nothrow) unsigned char[size];
        if (!buffer || !buffer->data) {
            delete buffer;
            error = -6;
            bufferCount = static_cast<int>(freeBuffers.size());
            return;
        }
        freeBuffers.push_back(buffer);
    }
}

void V360DispatchThread::setMusicSource(QString musicPath, double startTime, double endTime,
                                        double musicVolume, bool loopMusic) {
    emit eSetMusicSource(musicPath, startTime, endTime, musicVolume, loopMusic);
}

void V360DispatchThread::addV360SectionBuilder(V360SectionBuilder* builder) {
    emit eAddV360SectionBuilder(builder);
}

void V360DispatchThread::closeVideoGeneration() { emit eCloseVideoGeneration(); }

void V360DispatchThread::cancelVideoGeneration() { emit eCancelVideoGeneration(); }

void V360DispatchThread::setNoNeedAddSpatialMetaData() { addSpatialMeta = false; }

void V360DispatchThread::_setMusicSource(QString path, double startTime, double endTime,
                                         double volume, bool loop) {
    musicPath = path;
    musicStart = startTime;
    musicEnd = endTime;
    musicVolume = volume;
    loopMusic = loop;
}

void V360DispatchThread::_addV360SectionBuilder(V360SectionBuilder* builder) {
    builder->owner = this;
    totalFrames += builder->totalFrames();
    totalPrepareSteps += builder->totalIASteps();
    pendingBuilders.push_back(builder);
    allBuilders.append(builder);
    dispatchVFrameGeneration();
}

void V360DispatchThread::_closeVideoGeneration() {
    closed = true;
    if (totalFrames > 0) prepareWeight = (totalPrepareSteps * 90 / totalFrames) * prepareFactor;
    const double base = muted ? (musicPath.isEmpty() ? 91 : 93) : (musicPath.isEmpty() ? 94 : 96);
    totalUnits = base + prepareWeight;
    progressValue = 0;
    prepareStepsDone = prepareStepsCurrent = 0;
    if (pendingBuilders.empty()) checkAndClosePureVideoGeneration();
}

void V360DispatchThread::_cancelVideoGeneration() { error = kCancelled; }

void V360DispatchThread::builderPrepared() {
    preparePending = false;
    dispatchVFrameGeneration();
}

void V360DispatchThread::updateCurrentIASteps(int steps) {
    prepareStepsCurrent = prepareStepsDone + steps;
    if (closed) updateDispatchProgress();
}

bool V360DispatchThread::allBuffersFree() const {
    return bufferCount == static_cast<int>(freeBuffers.size());
}

void V360DispatchThread::dispatchVFrameGeneration() {
    while (error == 0) {
        if (freeBuffers.empty() || preparePending) return;
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
    if (allBuffersFree() && !preparePending && !resultEmitted) releaseAndEmitResult(error);
}

// False on a failed preparation; no current builder while it goes on asynchronously.
bool V360DispatchThread::prepareCurrentBuilder() {
    currentBuilder = pendingBuilders.front();
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
    prepareStepsDone += currentBuilder->totalIASteps();
    prepareStepsCurrent = prepareStepsDone;
    if (closed) updateDispatchProgress();
    currentBuilder->userCount += 1;
    currentSectionIndex += 1;
    return true;
}

void V360DispatchThread::startDewarpTask(void* frame) {
    currentBuilder->userCount += 1;
    BufferInfo* buffer = freeBuffers.front();
    freeBuffers.pop_front();
    buffer->sequence = nextBufferSequence++;
    auto* task = new V360DewarpTask(currentBuilder, currentBuilder->nextFrameIndex, frame, buffer,
                                    framesDispatched);
    liveTasks.insert(task);
    connect(task, SIGNAL(finished()), this, SLOT(onDewarpDone()), Qt::QueuedConnection);
    task->start(QThread::InheritPriority);
    currentBuilder->nextFrameIndex += 1;
    framesDispatched += 1;
    if (closed) updateDispatchProgress();
}

void V360DispatchThread::finishCurrentBuilder() {
    V360SectionBuilder* builder = currentBuilder;
    currentBuilder = nullptr;
    pendingBuilders.pop_front();
    releaseUser(builder);
    if (builder->failed) {
        LogSystem::e(kTag, "May receive out of memory when generate!");
        error = -6;
    }
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
    doneBuffers.push_back(task->buffer());
    delete task;
    tryEncodeMore();
    dispatchVFrameGeneration();
}

void V360DispatchThread::tryEncodeMore() {
    bool encoded = false;
    while (encodeNextInOrder()) encoded = true;
    if (!encoded) return;
    if (!pendingBuilders.empty())
        dispatchVFrameGeneration();
    else
        checkAndClosePureVideoGeneration();
}

// Encodes the done buffer that is next in order, if there is one.
bool V360DispatchThread::encodeNextInOrder() {
    auto it = std::find_if(doneBuffers.begin(), doneBuffers.end(), [this](BufferInfo* buffer) {
        return buffer->sequence == nextSequenceToEncode;
    });
    if (it == doneBuffers.end()) return false;
    BufferInfo* buffer = *it;
    doneBuffers.erase(it);
    nextSequenceToEncode += 1;
    const int result = encoder ? encoder->encodeArgbData(buffer->data, 1) : -1;
    if (result < 0 && result != AVERROR(EAGAIN) && error == 0) {
        LogSystem::e(kTag, "encode failed: %d", result);
        error = -12;
    }
    freeBuffers.push_back(buffer);
    return true;
}

void V360DispatchThread::checkAndClosePureVideoGeneration() {
    if (!closed || !allBuffersFree() || resultEmitted) return;
    // A failed section must not end as a shortened video; a late cancel does not stop the job.
    if (error != 0 && error != kCancelled) {
        releaseAndEmitResult(error);
        return;
    }
    if (allBuilders.empty()) {
        LogSystem::e(kTag, "no section to generate?");
        releaseAndEmitResult(-7);
        return;
    }
    encoder->endEncode();
    encoder.reset();
    progressValue = 90;
    reportProgress();
    if (muted)
        mergeMusicWithPureVideo();
    else
        mergeAudioWithPureVideo();
}

void V360DispatchThread::mergeAudioWithPureVideo() {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        LogSystem::e(kTag, "can not create temp dir?");
        releaseAndEmitResult(-3);
        return;
    }
    QString sound;
    int result = joinSectionSounds(dir.path(), &sound);
    if (result == 0 && !musicPath.isEmpty() && musicVolume > 0) {
        const QString music = QString("%1/tempMusicPath.m4a").arg(dir.path());
        result = prepareMusicFile(music);
        if (result < 0) {
            LogSystem::e(kTag, "prepareMusicFile failed::%d", result);
        } else {
            progressValue += 1;
            reportProgress();
            const QString mixed = QString("%1/mixAudio.m4a").arg(dir.path());
            result = FFMpegAudioMixer::mix(utf8(sound).constData(), utf8(music).constData(),
                                           utf8(mixed).constData());
            if (result < 0) {
                LogSystem::e(kTag, "mixAudioFiles failed::%d", result);
            } else {
                progressValue += 1;
                reportProgress();
                sound = mixed;
            }
        }
    }
    if (result == 0) result = muxWithVideo(sound);
    if (result != 0) {
        releaseAndEmitResult(result);
        return;
    }
    addSpatialMetaData();
}

// Each section's sound in the order added, joined into *sound; two progress steps.
int V360DispatchThread::joinSectionSounds(const QString& folder, QString* sound) {
    QStringList parts;
    for (size_t i = 0; i < allBuilders.size(); ++i) {
        const QString part = QString("%1/%2.m4a").arg(folder).arg(i);
        const int result = allBuilders[i]->extractAudioToSectionLength(part, videoVolume);
        if (result != 0) {
            LogSystem::e(kTag, "extractAudioToSectionLength:%d", result);
            return result;
        }
        parts.append(part);
    }
    progressValue += 1;
    reportProgress();
    *sound = parts.first();
    if (parts.size() > 1) {
        *sound = QString("%1/concat.m4a").arg(folder);
        FFMpegMuxBasedAudioConcatenater concat(utf8(*sound).constData(),
                                               utf8(parts.first()).constData());
        for (int i = 1; i < parts.size(); ++i) concat.append(utf8(parts[i]).constData());
        concat.close();
    }
    progressValue += 1;
    reportProgress();
    return 0;
}

// Muxes `sound` with the silent video into the muxed file and removes the silent one.
int V360DispatchThread::muxWithVideo(const QString& sound) {
    List<const char*> keys;
    List<const char*> values;
    const QByteArray commentText = utf8(comment);
    if (!comment.isEmpty()) {
        keys.append("comment");
        values.append(commentText.constData());
    }
    const int result = FFMpegAVMuxer::mux(utf8(sound).constData(), utf8(pureVideo).constData(),
                                          utf8(muxedVideo).constData(), keys, values);
    QFile::remove(pureVideo);
    if (result < 0) {
        LogSystem::e(kTag, "mergeAudioToVideo failed::%d", result);
        return result;
    }
    progressValue += 1;
    reportProgress();
    return 0;
}

void V360DispatchThread::mergeMusicWithPureVideo() {
    if (musicPath.isEmpty()) {
        muxedVideo = pureVideo;
        addSpatialMetaData();
        return;
    }
    QTemporaryDir dir;
    const QString music =
        QString("%1/%2.m4a").arg(dir.path()).arg(QDateTime::currentMSecsSinceEpoch());
    int result = dir.isValid() ? prepareMusicFile(music) : -3;
    if (result < 0) {
        LogSystem::e(kTag, "prepareMusicFile failed::%d", result);
        releaseAndEmitResult(result);
        return;
    }
    progressValue += 1;
    reportProgress();
    result = muxWithVideo(music);
    if (result != 0) {
        releaseAndEmitResult(result);
        return;
    }
    addSpatialMetaData();
}

int V360DispatchThread::prepareMusicFile(QString target) {
    if (musicPath.isEmpty()) return -7;
    const double videoLength = framesDispatched / 30.0;
    const double musicLength = FFMpegUtil::getAudioLength(musicPath);
    if (musicLength <= 0) return -2;
    const double start = std::max(musicStart, 0.0);
    const double end = musicEnd > 0 ? musicEnd : musicLength;
    const double segment = std::min(musicLength, end) - start;
    // An empty range would never fill the video.
    if (segment <= 0) return -4;
    const QByteArray music = utf8(musicPath);
    if (segment >= videoLength)
        return FFMpegAudioExtractor::extract(music.constData(), utf8(target).constData(), start,
                                             videoLength, musicVolume, true, false);
    QTemporaryDir dir;
    if (!dir.isValid()) return -3;
    const QByteArray ready = utf8(QString("%1/volumeReadyMusic.m4a").arg(dir.path()));
    int result = FFMpegAudioExtractor::extract(music.constData(), ready.constData(), start, segment,
                                               musicVolume, true, false);
    if (result < 0) return result;
    FFMpegMuxBasedAudioConcatenater concat(utf8(target).constData(), ready.constData());
    result = concat.getInitError();
    double remaining = loopMusic ? videoLength - segment : 0;
    while (result == 0 && remaining >= segment) {
        result = concat.append(ready.constData());
        remaining -= segment;
    }
    if (result == 0 && remaining > 0.001) {
        result = FFMpegAudioExtractor::extract(music.constData(), ready.constData(), start,
                                               remaining, musicVolume, true, false);
        if (result == 0) result = concat.append(ready.constData());
    }
    const int closedResult = concat.close();
    QFile::remove(QString::fromUtf8(ready));
    return result != 0 ? result : closedResult;
}

void V360DispatchThread::addSpatialMetaData() {
    if (addSpatialMeta) {
        const int result = SpatialMetaData::addMetaDataToVideo(muxedVideo, outputPath);
        if (result != 0) {
            LogSystem::e(kTag, "addMetaDataToVideo failed:%d", result);
            releaseAndEmitResult(result);
            return;
        }
    } else {
        QFile::remove(outputPath);
        if (!QFile::copy(muxedVideo, outputPath)) {
            LogSystem::e(kTag, "copy file to target path failed, file may locked");
            releaseAndEmitResult(-12);
            return;
        }
    }
    releaseAndEmitResult(0);
}

void V360DispatchThread::releaseAndEmitResult(int result) {
    resultEmitted = true;
    for (BufferInfo* buffer : freeBuffers) {
        delete[] buffer->data;
        delete buffer;
    }
    freeBuffers.clear();
    if (result != 0) {
        if (encoder) encoder->endEncode();
        encoder.reset();
        emit videoGenerationFailed(result);
    } else {
        emit videoGenerated();
    }
    removeTempFiles();
}

void V360DispatchThread::removeTempFiles() {
    QFile::remove(pureVideo);
    QFile::remove(muxedVideo);
    QFile::remove(whiteNoise);
    QFile::remove(volumeReadyWhiteNoise);
}

void V360DispatchThread::updateDispatchProgress() {
    double x = totalFrames > 0 ? static_cast<double>(framesDispatched) / totalFrames * 90 : 0;
    if (totalPrepareSteps > 0)
        x += static_cast<double>(prepareStepsCurrent) * prepareWeight / totalPrepareSteps;
    if (x != 0) progressValue = x;
    reportProgress();
}

void V360DispatchThread::reportProgress() {
    if (totalUnits <= 0) return;
    const int percent = static_cast<int>(progressValue * 100 / totalUnits + 0.5);
    if (percent <= highestPercent) return;
    highestPercent = percent;
    emit videoGenerationProgressUpdate(percent / 100.0f, 0, currentSectionIndex,
                                       static_cast<int>(allBuilders.size()));
}
