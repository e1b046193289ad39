#include "GetPhotoThumbnailTask.h"

// 1. Load the photo as 32-bit BGRA (refused unread when it declares a huge size).
// 2. Take the rotation of the start from the attitude data.
// 3. Dewarp the fisheye circle into a 4e x 2e equirectangular buffer, pre-filled opaque black
//    (the dewarp writes nothing while the lens is not set).
// 4. Crop the 90-degree view thumbnail of e x e/2 pixels out of it.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include <QFileInfo>
#include <QImage>

#include "Dewarp360.h"
#include "QtFileUtil.h"
#include "ResultCode.h"
#include "VideoRotationFeeder.h"
#include "ViewAngleThumbnail.h"

namespace {
constexpr uint32_t kUncovered = 0xff000000u;  // opaque black
constexpr double kThumbnailFov = 90.0;
}  // namespace

GetPhotoThumbnailTask::GetPhotoThumbnailTask(int size, const QString& path,
                                             const QString& rotationDataPath)
    : thumbnail(size_t(std::max(size, 0)) * size_t(std::max(size, 0)) * 2),
      thumbnailSize(std::max(size, 0)),
      photoPath(path),
      rotationDataPath(rotationDataPath) {}

void GetPhotoThumbnailTask::run() {
    const QImage photo =
        loadPictureWithinLimit(QFileInfo(photoPath).absoluteFilePath(), "GetPhotoThumbnailTask");
    if (photo.isNull()) {
        result = ResultCode::kMediaError;
        return;
    }
    double R[9];
    fillStartRotation(R);
    const int e = thumbnailSize;
    const size_t pixels = size_t(4) * e * 2 * e;
    std::unique_ptr<uint32_t[]> equirect(new (std::nothrow) uint32_t[pixels]);
    if (!equirect) {
        result = ResultCode::kNoMemory;
        return;
    }
    std::fill_n(equirect.get(), pixels, kUncovered);
    const int w = photo.width();
    dewarp(photo.constBits(), equirect.get(), w, photo.height(), w * 0.5, photo.height() * 0.5,
           w * 0.5, R, 4 * e, 2 * e, int(kUncovered));
    generateViewAngleThumbnail(equirect.get(), thumbnail.data(), 4 * e, 2 * e, kThumbnailFov, e,
                               e / 2);
}

void GetPhotoThumbnailTask::fillStartRotation(double R[9]) const {
    std::unique_ptr<VideoRotationFeeder> feeder(
        VideoRotationFeeder::newVRFeeder(rotationDataPath.toUtf8().constData(), false));
    feeder->prepareFilteredRotationData(0, -1);
    double matrix[3][3];
    feeder->fillRotationData(0, matrix);
    std::copy(&matrix[0][0], &matrix[0][0] + 9, R);
}
