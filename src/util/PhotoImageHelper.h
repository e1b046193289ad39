#pragma once

#include <vector>

#include <QObject>
#include <QString>

#include "GetPhotoThumbnailTask.h"
#include "PhotoImageInfo.h"
#include "SerialRequestQueue.h"

// Makes view thumbnails of fisheye 360 photos in the background, one request after the other
// in the order queued, each on a short-lived GetPhotoThumbnailTask. A request for the photo
// last done is answered at once from the kept buffer. Lives on the thread that made it, whose
// event loop must run; signals are emitted there. Destruction cancels and waits for a running
// task.
class PhotoImageHelper : public QObject {
    Q_OBJECT

  public:
    // size e: thumbnails are e x e/2 pixels of 32-bit BGRA (negative counts as 0).
    explicit PhotoImageHelper(int size, QObject* parent = nullptr);
    ~PhotoImageHelper() override;

    // -4 empty path, -7 negative time (nothing is signalled), else 0: queued, and started
    // when idle. The time is only handed back in the signals.
    int queueGetImage(const QString& path, const QString& rotationDataPath, double time, int index);
    // Drops every waiting request; the running one finishes unreported.
    void clearAllQueue();

  signals:
    // imageBuf is the helper's own buffer (e x e x 2 bytes), valid until the next thumbnail.
    void photoImageFetched(uchar* imageBuf, QString path, double time, int index);
    void photoImageFetchFailed(int result, QString path, double time, int index);

  protected slots:
    void onGetPhotoThumbnailTaskDone();

  private:
    GetPhotoThumbnailTask* startRequest(const PhotoImageInfo& request);
    void report(const GetPhotoThumbnailTask& task, const PhotoImageInfo& request);

    // All members: owner's thread only.
    int thumbnailSize;
    std::vector<uchar> thumbnailBuffer;
    QString lastPath;  // the photo whose thumbnail is in thumbnailBuffer
    SerialRequestQueue<PhotoImageInfo, GetPhotoThumbnailTask> requests;
};
