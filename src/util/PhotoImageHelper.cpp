#include "PhotoImageHelper.h"
#include "ResultCode.h"

#include <algorithm>

PhotoImageHelper::PhotoImageHelper(int size, QObject* parent)
    : QObject(parent),
      thumbnailSize(std::max(size, 0)),
      thumbnailBuffer(size_t(thumbnailSize) * size_t(thumbnailSize) * 2),
      requests([this](const PhotoImageInfo& r) { return startRequest(r); },
               [this](const GetPhotoThumbnailTask& t, const PhotoImageInfo& r) { report(t, r); }) {}

PhotoImageHelper::~PhotoImageHelper() { requests.stop(); }

int PhotoImageHelper::queueGetImage(const QString& path, const QString& rotationDataPath,
                                    double time, int index) {
    if (path.isEmpty()) return ResultCode::kBadArgument;
    if (time < 0) return ResultCode::kAbsent;
    requests.append(new PhotoImageInfo{path, rotationDataPath, time, index});
    return 0;
}

void PhotoImageHelper::clearAllQueue() { requests.clear(); }

// A repeat of the last photo is answered at once from the kept buffer.
GetPhotoThumbnailTask* PhotoImageHelper::startRequest(const PhotoImageInfo& r) {
    if (r.path == lastPath) {
        emit photoImageFetched(thumbnailBuffer.data(), r.path, r.time, r.index);
        return nullptr;
    }
    auto* task = new GetPhotoThumbnailTask(thumbnailSize, r.path, r.rotationDataPath);
    connect(task, SIGNAL(finished()), this, SLOT(onGetPhotoThumbnailTaskDone()),
            Qt::QueuedConnection);
    task->start(QThread::InheritPriority);
    return task;
}

void PhotoImageHelper::onGetPhotoThumbnailTaskDone() { requests.taskDone(); }

void PhotoImageHelper::report(const GetPhotoThumbnailTask& task, const PhotoImageInfo& r) {
    if (task.getResult() != 0) {
        emit photoImageFetchFailed(task.getResult(), r.path, r.time, r.index);
        return;
    }
    lastPath = r.path;
    std::copy(task.getThumbnail().begin(), task.getThumbnail().end(), thumbnailBuffer.begin());
    emit photoImageFetched(thumbnailBuffer.data(), r.path, r.time, r.index);
}
