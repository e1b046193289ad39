#pragma once

// 360 video helpers: view-angle thumbnails of fisheye and equirectangular recordings, a scaled
// frame of any video, free-space tests, size estimates for generated videos and the temporary
// folder of a generation. Static, synchronous. Null fact outputs are skipped.

#include <QImage>
#include <QString>

class Video360Util {
  public:
    // 0, the decoder's negative open result, -12 when no frame can be read, -22 for a view
    // angle outside (0, 360] or a non-positive size.
    static int getThumbnailFromSrcVideo(QString path, double time, int width, int height,
                                        int viewAngle, QImage* out, double* duration);
    static int getThumbnailFromSrcVideo(QString path, int width, int height, int viewAngle,
                                        QImage* out, double* duration);
    static int getThumbnailFromVideo(QString path, double time, int width, int height, QImage* out,
                                     double* duration);
    static int getThumbnailFrom360Video(QString path, int width, int height, int viewAngle,
                                        QImage* out, int* videoHeight, double* duration,
                                        long long* createdMs, int* utcOffset,
                                        long long* durationMs);

    // True when the volume of `path` (of its folder while it does not exist) has more than
    // `megabytes` free.
    static bool isEnoughSpace(long long megabytes, QString path);
    static long long measureGeneratedVideoSize(int seconds, int height);
    static long long measureGeneratingVideoTempSize(int seconds, int height);
    // A folder with room for `megabytes`, created when missing; empty when none has room.
    static QString getGeneratingTempPath(long long megabytes);
};
