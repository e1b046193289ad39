#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include "GetImageTask.h"
#include "SerialRequestQueue.h"
#include "VideoImageInfo.h"

class FFMpegDecoder360G;

// Grabs video frames at given times in the background, one request after the other in the
// order queued, each on a short-lived GetImageTask. The decoder stays open while requests are
// for the same file. Lives on the thread that made it, whose event loop must run; signals are
// emitted there. Destruction cancels and waits for a running grab.
class VideoImageHelper : public QObject {
    Q_OBJECT

  public:
    // width: frames are scaled to this width, height in proportion; 0 or less keeps full size.
    explicit VideoImageHelper(int width, QObject* parent = nullptr);
    ~VideoImageHelper() override;

    // As the next with index -1.
    int queueGetImage(const QString& path, double time);
    // -4 empty path, -7 time negative or past the file's video length (nothing is signalled),
    // else 0: queued, and started when idle.
    int queueGetImage(const QString& path, double time, int index);
    // Drops every waiting request; the running one finishes unreported.
    void clearAllQueue();

  signals:
    // For requests with a negative index (and every failed open).
    void videoImageFetched(QImage image, QString vPath, double time);
    void videoImageFetchFailed(int result, QString vPath, double time);
    // For requests with an index of 0 or more.
    void videoImageFetched(QImage image, QString vPath, double time, int index);
    void videoImageFetchFailed(int result, QString vPath, double time, int index);

  protected slots:
    void onGetImageTaskDone();

  private:
    GetImageTask* startRequest(const VideoImageInfo& request);
    int openDecoder(const QString& path);
    void releaseDecoder();
    void report(const GetImageTask& task, const VideoImageInfo& request);

    // All members: owner's thread only; the running task borrows `decoder`.
    int scaleWidth;
    QString decoderPath;
    FFMpegDecoder360G* decoder = nullptr;  // owned
    SerialRequestQueue<VideoImageInfo, GetImageTask> requests;
};
