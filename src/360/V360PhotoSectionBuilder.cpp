#include "V360PhotoSectionBuilder.h"

#include <QImage>
#include <QImageReader>

#include <cstring>

#include "ColorFilter.h"
#include "LogSystem.h"
#include "QtFileUtil.h"
#include "ResultCode.h"
#include "Video360GeneratorHelper.h"
#include "VideoRotationFeeder.h"

namespace {

const char* const kTag = "V360PSB";
// Sides above this are refused before decoding: a header alone could ask for gigabytes.

// The feeder's first rotation; the feeder is not needed afterwards.
void firstRotation(const QString& eyePath, double rotation[3][3]) {
    std::unique_ptr<VideoRotationFeeder> feeder(
        VideoRotationFeeder::newVRFeeder(eyePath.toUtf8().constData(), true));
    feeder->prepareFilteredRotationData(0, -1);
    feeder->fillRotationData(0, rotation);
}

}  // namespace

V360PhotoSectionBuilder::V360PhotoSectionBuilder(int width, int height, QString photoPath,
                                                 QString eyePath, double duration,
                                                 QString leadInImagePath, QString leadOutImagePath,
                                                 V360Transitor* first, V360Transitor* second,
                                                 double filter1, double filter2, double filter3)
    : V360SectionBuilder(width, height, std::move(leadInImagePath), std::move(leadOutImagePath),
                         first, second),
      photoPath(std::move(photoPath)),
      eyePath(std::move(eyePath)),
      duration(duration),
      frames(this->duration > 0 ? static_cast<int>(this->duration * 30) : 0),
      colorFilter(ColorFilter::newUnlessNegative(filter1, filter2, filter3)) {}

V360PhotoSectionBuilder::~V360PhotoSectionBuilder() = default;

int V360PhotoSectionBuilder::totalFrames() { return frames; }

int V360PhotoSectionBuilder::prepare() {
    V360SectionBuilder::prepare();
    const QSize declared = QImageReader(photoPath).size();
    if (declared.width() > kMaxPictureSide || declared.height() > kMaxPictureSide) {
        LogSystem::e(kTag, "photo too large: %dx%d", declared.width(), declared.height());
        return ResultCode::kBadArgument;
    }
    QImage photo = QImage(photoPath).convertToFormat(QImage::Format_ARGB32);
    if (photo.isNull()) {
        LogSystem::e(kTag, "Can not load image from file path: %s", photoPath.toUtf8().constData());
        return ResultCode::kAbsent;
    }
    if (photo.width() != photo.height() || !helper) {
        LogSystem::e(kTag, "not a square fisheye photo or no helper: %dx%d", photo.width(),
                     photo.height());
        return ResultCode::kBadArgument;
    }
    if (photo.width() != kPhotoSide)
        photo =
            photo.scaled(kPhotoSide, kPhotoSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    frame.assign(static_cast<size_t>(width) * height * 4, 0);
    double rotation[3][3];
    firstRotation(eyePath, rotation);
    if (colorFilter) colorFilter->applyBGR(photo.bits(), kPhotoSide, kPhotoSide);
    helper->dewarpFrame(photo.bits(), frame.data(), rotation, kPhotoSide, kPhotoSide, centerX,
                        centerY, radius);
    return 0;
}

void* V360PhotoSectionBuilder::prepareSrcFrame(int frameIndex) {
    return frameIndex < frames && !frame.empty() ? frame.data() : nullptr;
}

int V360PhotoSectionBuilder::dewarp(int frameIndex, void* src, void* dst) {
    std::memcpy(dst, src, static_cast<size_t>(width) * height * 4);
    composeLeadTransitions(frameIndex, frames, dst);
    return 0;
}

void V360PhotoSectionBuilder::releaseSrcFrame(void*) {}

void V360PhotoSectionBuilder::releaseAllDecodeDewarpResource() {
    V360SectionBuilder::releaseAllDecodeDewarpResource();
    frame.clear();
    frame.shrink_to_fit();
}
