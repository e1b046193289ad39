#include "PhotoImageHelper.h"

#include <algorithm>

#include "GetPhotoThumbnailTask.h"

PhotoImageHelper::PhotoImageHelper(int size, QObject* parent)
    : QObject(parent),
      thumbnailSize(std::max(size, 0)),
      thumbnailBuffer(size_t(thumbnailSize) * size_t(thumbnailSize) * 2) {}

PhotoImageHelper::~PhotoImageHelper() {
    clearAllQueue();
    if (currentTask) {
        currentTask->wait();
        delete currentTask;
    }
    delete currentRequest;
}

int PhotoImageHelper::queueGetImage(const QString& path, const QString& rotationDataPath,
                                    double time, int index) {
    if (path.isEmpty()) return -4;
    if (time < 0) return -7;
    requestQueue.append(new PhotoImageInfo{path, rotationDataPath, time, index});
    getNextImage();
    return 0;
}

void PhotoImageHelper::clearAllQueue() {
    requestQueue.deleteAllObjsAndReset();
    if (currentTask) currentTask->cancel();
}

// Serves waiting requests until one runs on a task; repeats of the last photo are answered here.
void PhotoImageHelper::getNextImage() {
    while (!currentRequest && !requestQueue.empty()) {
        currentRequest = requestQueue.front();
        requestQueue.pop_front();
        if (startRequest()) return;
    }
}

bool PhotoImageHelper::startRequest() {
    const PhotoImageInfo& r = *currentRequest;
    if (r.path == lastPath) {
        emit photoImageFetched(thumbnailBuffer.data(), r.path, r.time, r.index);
        finishRequest();
        return false;
    }
    currentTask = new GetPhotoThumbnailTask(thumbnailSize, r.path, r.rotationDataPath);
    connect(currentTask, SIGNAL(finished()), this, SLOT(onGetPhotoThumbnailTaskDone()),
            Qt::QueuedConnection);
    currentTask->start(QThread::InheritPriority);
    return true;
}

void PhotoImageHelper::onGetPhotoThumbnailTaskDone() {
    if (!currentTask) return;
    GetPhotoThumbnailTask* task = currentTask;
    currentTask = nullptr;
    task->wait();
    if (!task->isCancelled()) report(*task);
    delete task;
    // A cancelled task ends its request too, so the queue moves on.
    finishRequest();
    getNextImage();
}

void PhotoImageHelper::report(const GetPhotoThumbnailTask& task) {
    const PhotoImageInfo& r = *currentRequest;
    if (task.getResult() != 0) {
        emit photoImageFetchFailed(task.getResult(), r.path, r.time, r.index);
        return;
    }
    lastPath = r.path;
    std::copy(task.getThumbnail().begin(), task.getThumbnail().end(), thumbnailBuffer.begin());
    emit photoImageFetched(thumbnailBuffer.data(), r.path, r.time, r.index);
}

void PhotoImageHelper::finishRequest() {
    delete currentRequest;
    currentRequest = nullptr;
}
