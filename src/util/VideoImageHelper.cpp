#include "VideoImageHelper.h"

#include "FFMpegDecoder360G.h"
#include "FFMpegUtil.h"
#include "ResultCode.h"

VideoImageHelper::VideoImageHelper(int width, QObject* parent)
    : QObject(parent),
      scaleWidth(width),
      requests([this](const VideoImageInfo& r) { return startRequest(r); },
               [this](const GetImageTask& t, const VideoImageInfo& r) { report(t, r); }) {}

VideoImageHelper::~VideoImageHelper() {
    // The running grab borrows the decoder.
    requests.stop();
    releaseDecoder();
}

int VideoImageHelper::queueGetImage(const QString& path, double time) {
    return queueGetImage(path, time, -1);
}

int VideoImageHelper::queueGetImage(const QString& path, double time, int index) {
    if (path.isEmpty()) return ResultCode::kBadArgument;
    if (time < 0 || time > FFMpegUtil::getVideoLength(path)) return ResultCode::kAbsent;
    requests.append(new VideoImageInfo{path, time, index});
    return 0;
}

void VideoImageHelper::clearAllQueue() { requests.clear(); }

// A file that does not open is reported at once.
GetImageTask* VideoImageHelper::startRequest(const VideoImageInfo& r) {
    if (r.path != decoderPath) {
        const int opened = openDecoder(r.path);
        if (opened < 0) {
            // A failed open is reported in the short form, whatever the index.
            emit videoImageFetchFailed(opened, r.path, r.time);
            return nullptr;
        }
    }
    auto* task = new GetImageTask(decoder, r.time, scaleWidth);
    connect(task, SIGNAL(finished()), this, SLOT(onGetImageTaskDone()), Qt::QueuedConnection);
    task->start(QThread::InheritPriority);
    return task;
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

void VideoImageHelper::onGetImageTaskDone() { requests.taskDone(); }

void VideoImageHelper::report(const GetImageTask& task, const VideoImageInfo& r) {
    const int result = task.getResult();
    if (r.index < 0) {
        if (result != 0)
            emit videoImageFetchFailed(result, r.path, r.time);
        else
            emit videoImageFetched(task.getImage(), r.path, r.time);
    } else if (result != 0) {
        emit videoImageFetchFailed(result, r.path, r.time, r.index);
    } else {
        emit videoImageFetched(task.getImage(), r.path, r.time, r.index);
    }
}
