#pragma once

// 360 photos: a circular fisheye JPEG of the camera turned into an equirectangular JPEG (EXIF
// kept with its pixel dimensions updated, 360 XMP mark added), and view-angle thumbnails.
// Static, synchronous; log tag "P360Util".

#include <QImage>
#include <QString>

#include "List.h"

class Text360Info;

class Photo360Util {
  public:
    // Thumbnail of a fisheye photo: 0, -1 when it cannot be loaded (or declares a side above
    // kMaxPictureSide), -22 for a view angle outside (0, 360] or a non-positive size.
    static int getThumbnailFromSrcPhoto(QString path, int width, int height, int viewAngle,
                                        QImage* out);
    // Thumbnail of an equirectangular photo: 0, -1 or -22 as above.
    static int getThumbnailFrom360Photo(QString path, int width, int height, int viewAngle,
                                        QImage* out);
    // Writes the 360 JPEG: 0, -12 when the source cannot be loaded, -22 for a bad size, -30
    // when a file cannot be written, or the negative result of the XMP step.
    static int dewarp360Photo(QString dstPath, int width, int height, QString srcPath,
                              QString patternPath, List<Text360Info*> texts, bool useAttitude);
};
