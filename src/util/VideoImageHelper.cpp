#include "VideoImageHelper.h"

#include "FFMpegDecoder360G.h"
#include "FFMpegUtil.h"
#include "GetImageTask.h"

VideoImageHelper::VideoImageHelper(int width, QObject* parent)
    : QObject(parent), scaleWidth(width) {}

VideoImageHelper::~VideoImageHelper() {
    clearAllQueue();
    if (currentTask) {
        currentTask->wait();
        delete currentTask;
    }
    delete currentRequest;
    releaseDecoder();
}

int VideoImageHelper::queueGetImage(const QString& path, double time) {
    return queueGetImage(path, time, -1);
}

int VideoImageHelper::queueGetImage(const QString& path, double time, int index) {
    if (path.isEmpty()) return -4;
    if (time < 0 || time > FFMpegUtil::getVideoLength(path)) return -7;
    requestQueue.append(new VideoImageInfo{path, time, index});
    getNextImage();
    return 0;
}

void VideoImageHelper::clearAllQueue() {
    requestQueue.deleteAllObjsAndReset();
    if (currentTask) currentTask->cancel();
}

// Serves waiting requests until one runs on a task; failed opens are reported and skipped.
void VideoImageHelper::getNextImage() {
    while (!currentRequest && !requestQueue.empty()) {
        currentRequest = requestQueue.front();
        requestQueue.pop_front();
        if (startRequest()) return;
    }
}

bool VideoImageHelper::startRequest() {
    if (currentRequest->path != decoderPath) {
        const int opened = openDecoder(currentRequest->path);
        if (opened < 0) {
            // A failed open is reported in the short form, whatever the index.
            emit videoImageFetchFailed(opened, currentRequest->path, currentRequest->time);
            finishRequest();
            return false;
        }
    }
    currentTask = new GetImageTask(decoder, currentRequest->time, scaleWidth);
    connect(currentTask, SIGNAL(finished()), this, SLOT(onGetImageTaskDone()),
            Qt::QueuedConnection);
    currentTask->start(QThread::InheritPriority);
    return true;
}

int VideoImageHelper::openDecoder(const QString& path) {
    releaseDecoder();
    decoderPath = path;
    decoder = new FFMpegDecoder360G();
    const int result = decoder->initWithFilePath(path.toUtf8().constData());
    if (result < 0) {
        decoderPath.clear();
        releaseDecoder();
    }
    return result;
}

void VideoImageHelper::releaseDecoder() {
    if (!decoder) return;
    decoder->releaseResource();
    delete decoder;
    decoder = nullptr;
}

void VideoImageHelper::onGetImageTaskDone() {
    if (!currentTask) return;
    GetImageTask* task = currentTask;
    currentTask = nullptr;
    task->wait();
    if (!task->isCancelled()) report(task->getResult(), task->getImage());
    delete task;
    // A cancelled grab ends its request too, so the queue moves on.
    finishRequest();
    getNextImage();
}

void VideoImageHelper::report(int result, const QImage& image) {
    const VideoImageInfo& r = *currentRequest;
    if (r.index < 0) {
        if (result != 0)
            emit videoImageFetchFailed(result, r.path, r.time);
        else
            emit videoImageFetched(image, r.path, r.time);
    } else if (result != 0) {
        emit videoImageFetchFailed(result, r.path, r.time, r.index);
    } else {
        emit videoImageFetched(image, r.path, r.time, r.index);
    }
}

void VideoImageHelper::finishRequest() {
    delete currentRequest;
    currentRequest = nullptr;
}
