#include "V360PanoramaVideoSectionBuilder.h"

#include <QThread>

#include <cmath>

#include "FFMpegUtil.h"
#include "FFMpegVideoDecoder.h"
#include "RotationGeometry.h"
#include "VideoSrcFrame.h"

namespace {

const float kPi = 3.14159265358979323846f;
// Frames of the produced stream a second.
const double kRate = 27.0;

}  // namespace

V360PanoramaVideoSectionBuilder::V360PanoramaVideoSectionBuilder(int width, int height,
                                                                 QString srcPath,
                                                                 double startTime, double endTime,
                                                                 float centerX, float centerY,
                                                                 float radius)
    : V360SectionBuilder(width, height, QString(), QString(), nullptr, nullptr),
      srcPath(std::move(srcPath)),
      startTime(startTime),
      endTime(endTime),
      centerX(centerX),
      centerY(centerY),
      radius(radius) {
    if (this->startTime > 0) {
        startFrame = static_cast<int>(this->startTime * kRate + 0.5);
    } else {
        this->startTime = 0;
    }
    if (this->endTime < 0) this->endTime = FFMpegUtil::getVideoLength(this->srcPath);
    const double span = (this->endTime - this->startTime) * kRate + 0.5;
    frames = remainingFrames = span > 0 ? static_cast<int>(span) : 0;
}

V360PanoramaVideoSectionBuilder::~V360PanoramaVideoSectionBuilder() {
    V360PanoramaVideoSectionBuilder::releaseAllDecodeDewarpResource();
}

int V360PanoramaVideoSectionBuilder::totalFrames() { return frames; }

int V360PanoramaVideoSectionBuilder::prepare() {
    V360SectionBuilder::prepare();
    // A length probe of 0 would lift the frame limit.
    if (endTime <= 0 || frames <= 0) return -2;
    decoder.reset(new FFMpegVideoDecoder(true, false));
    decoder->setDecodeThreads(std::max(1, QThread::idealThreadCount() / 2));
    int result = decoder->initWithFilePath(srcPath.toUtf8().constData(), -1, -1);
    if (result < 0) return result;
    if (startFrame > 0) {
        result = decoder->seekTo(startFrame / kRate);
        if (result < 0) return result;
    }
    srcWidth = decoder->getVideoWidth();
    srcHeight = decoder->getVideoHeight();
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

void* V360PanoramaVideoSectionBuilder::prepareSrcFrame(int) {
    if (!decoder || (endTime > 0 && remainingFrames <= 0)) return nullptr;
    VideoSrcFrame* frame = decoder->readNextVideoFrame();
    if (!frame) return nullptr;
    if (!frame->getDatePtr()) {
        delete frame;
        failed = true;
        return nullptr;
    }
    framesInUse.push_back(frame);
    if (endTime > 0) --remainingFrames;
    ++framesRead;
    return const_cast<unsigned char*>(frame->getDatePtr());
}

int V360PanoramaVideoSectionBuilder::dewarp(int, void* src, void* dst) {
    const auto* in = static_cast<const uint32_t*>(src);
    auto* out = static_cast<uint32_t*>(dst);
    const int32_t* entry = table.data();
    const size_t count = table.size();
    for (size_t k = 0; k < count; ++k) {
        const int32_t index = entry[k];
        out[k] = index < 0 ? 0u : in[index];
    }
    return 0;
}

void V360PanoramaVideoSectionBuilder::releaseSrcFrame(void* src) {
    for (auto it = framesInUse.begin(); it != framesInUse.end(); ++it) {
        if ((*it)->getDatePtr() == src) {
            delete *it;
            framesInUse.erase(it);
            return;
        }
    }
}

void V360PanoramaVideoSectionBuilder::releaseAllDecodeDewarpResource() {
    V360SectionBuilder::releaseAllDecodeDewarpResource();
    for (VideoSrcFrame* frame : framesInUse) delete frame;
    framesInUse.clear();
    if (decoder) decoder->releaseResource();
    decoder.reset();
}

int V360PanoramaVideoSectionBuilder::extractAudioToSectionLength(QString outPath,
                                                                 double volume) {
    if (FFMpegUtil::extractAudioFromVideo(srcPath, outPath, -1.0, -1.0, 1.0) >= 0) return 0;
    return generateWhiteNoise(outPath, framesRead / kRate, volume);
}
