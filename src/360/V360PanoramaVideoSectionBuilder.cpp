#include "V360PanoramaVideoSectionBuilder.h"

#include <algorithm>
#include <cmath>

#include "FFMpegUtil.h"
#include "ImageBufferUtil.h"
#include "RotationGeometry.h"

namespace {

const float kPi = 3.14159265358979323846f;

}  // namespace

V360PanoramaVideoSectionBuilder::V360PanoramaVideoSectionBuilder(int width, int height,
                                                                 QString srcPath, double startTime,
                                                                 double endTime, float centerX,
                                                                 float centerY, float radius)
    : V360SectionBuilder(width, height, QString(), QString(), nullptr, nullptr),
      source(std::move(srcPath), startTime, endTime),
      centerX(centerX),
      centerY(centerY),
      radius(radius) {}

V360PanoramaVideoSectionBuilder::~V360PanoramaVideoSectionBuilder() {
    V360PanoramaVideoSectionBuilder::releaseAllDecodeDewarpResource();
}

int V360PanoramaVideoSectionBuilder::totalFrames() { return source.totalFrames(); }

int V360PanoramaVideoSectionBuilder::prepare() {
    V360SectionBuilder::prepare();
    int result = source.open(-1, -1);
    if (result < 0) return result;
    result = source.seekToStart();
    if (result < 0) return result;
    srcWidth = source.sourceWidth();
    srcHeight = source.sourceHeight();
    if (centerX < 0) centerX = static_cast<float>(srcWidth / 2);
    if (centerY < 0) centerY = static_cast<float>(srcHeight / 2);
    if (radius < 0) radius = static_cast<float>(srcWidth / 2);
    buildTable();
    return 0;
}

void V360PanoramaVideoSectionBuilder::buildTable() {
    table.assign(static_cast<size_t>(width) * height, -1);
    int32_t* entry = table.data();
    for (int d = 0; d < height; ++d)
        for (int i = 0; i < width; ++i) *entry++ = sourceIndex(d, i);
}

// Source pixel of output row d, column i, in single precision; -1 for none.
int32_t V360PanoramaVideoSectionBuilder::sourceIndex(int d, int i) const {
    const float a = d * -kPi / height + kPi / 2;
    const float b = i * (-2 * kPi) / width;
    const float v[3] = {std::cos(a) * std::cos(b), std::cos(a) * std::sin(b), std::sin(a)};
    float w[3];
    rotate(rotation, v, w);
    const float e = std::asin(std::max(-1.0f, std::min(1.0f, w[2]))) * 180 / kPi;
    float first = 0;
    float second = 0;
    if (e < -15) return -1;
    if (e <= 89.9f) {
        const float k = (90 - e) / 105 * radius;
        const float n = std::sqrt(w[0] * w[0] + w[1] * w[1]);
        first = k * w[0] / n;
        second = k * w[1] / n;
    }
    const float fx = second + centerX + 0.5f;
    const float fy = centerY - first + 0.5f;
    if (!(fx > -1 && fx < srcWidth && fy > -1 && fy < srcHeight)) return -1;
    // Truncation towards zero: a point between -1 and 0 is used as 0.
    return static_cast<int>(fy) * srcWidth + static_cast<int>(fx);
}

void* V360PanoramaVideoSectionBuilder::prepareSrcFrame(int) { return source.next(&failed); }

int V360PanoramaVideoSectionBuilder::dewarp(int, void* src, void* dst) {
    ImageBufferUtil::remap(table.data(), table.size(), src, dst);
    return 0;
}

void V360PanoramaVideoSectionBuilder::releaseSrcFrame(void* src) { source.release(src); }

void V360PanoramaVideoSectionBuilder::releaseAllDecodeDewarpResource() {
    V360SectionBuilder::releaseAllDecodeDewarpResource();
    source.releaseAll();
}

int V360PanoramaVideoSectionBuilder::extractAudioToSectionLength(QString outPath, double volume) {
    if (FFMpegUtil::extractAudioFromVideo(source.path(), outPath, -1.0, -1.0, 1.0) >= 0) return 0;
    return generateWhiteNoise(outPath, source.framesRead() / SectionVideoSource::kRate, volume);
}
