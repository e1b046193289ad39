#include "V360SectionBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include "EmbeddedResource.h"
#include "FFMpegAudioExtractor.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "ResultCode.h"
#include "V360DispatchThread.h"
#include "V360Transitor.h"
#include "Video360GeneratorHelper.h"

// Resources are compiled into this static library: referenced here so the linker keeps them.
static void initWhiteNoiseResource() { RV_INIT_RESOURCE_ONCE(libDesktop); }

namespace {

const char* const kTag = "V360SB";
const char* const kWhiteNoise = ":/libDesktop/whiteNoise.mp3";

int extractNoise(const QString& copy, const QString& target, double seconds, double volume) {
    return FFMpegAudioExtractor::extract(copy.toUtf8().constData(), target.toUtf8().constData(), -1,
                                         seconds, volume, true, false);
}

bool copyResource(const QString& target) {
    if (!QFile::copy(kWhiteNoise, target)) return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

// Whole copies of the volume-ready noise, then a cut tail, joined into outPath.
int appendWhiteNoise(const V360SectionBuilder::NoiseFiles& noise, const QString& outPath,
                     double noiseLength, double seconds, double volume) {
    const QString& copy = noise.copy;
    const QString& ready = noise.volumeReady;
    if (!QFile::exists(ready)) {
        int result = extractNoise(copy, ready, -1, volume);
        if (result < 0) return result;
    }
    const QByteArray readyPath = ready.toUtf8();
    FFMpegMuxBasedAudioConcatenater concat(outPath.toUtf8().constData(), readyPath.constData());
    int result = concat.getInitError();
    double remaining = seconds - noiseLength;
    while (result == 0 && noiseLength <= remaining) {
        result = concat.append(readyPath.constData());
        remaining -= noiseLength;
    }
    if (result == 0 && remaining > 0.001) {
        QTemporaryDir dir;
        const QString tail = QString("%1/wnTail.m4a").arg(dir.path());
        result =
            dir.isValid() ? extractNoise(copy, tail, remaining, volume) : ResultCode::kSetupFailed;
        if (result == 0) result = concat.append(tail.toUtf8().constData());
        QFile::remove(tail);
    }
    int closed = concat.close();
    if (result == 0) result = closed;
    if (result != 0) QFile::remove(outPath);
    return result;
}

}  // namespace

V360SectionBuilder::V360SectionBuilder(int width, int height, QString firstImagePath,
                                       QString secondImagePath, V360Transitor* first,
                                       V360Transitor* second)
    : width(width),
      height(height),
      firstImagePath(std::move(firstImagePath)),
      secondImagePath(std::move(secondImagePath)),
      firstTransitor(first),
      secondTransitor(second),
      helper(Video360GeneratorHelper::getHelper()) {}

V360SectionBuilder::~V360SectionBuilder() = default;

int V360SectionBuilder::totalIASteps() { return 0; }

VideoColour V360SectionBuilder::sourceColour() { return VideoColour::bt709(); }

bool V360SectionBuilder::rendersPlanar() { return false; }

int V360SectionBuilder::prepare() {
    loadImage(firstImagePath, &firstImage, &firstImagePixels);
    loadImage(secondImagePath, &secondImage, &secondImagePixels);
    return 0;
}

// The picture at `path` as ARGB32 of the output size; false when it does not load.
bool V360SectionBuilder::loadImage(const QString& path, QImage* image,
                                   const unsigned char** pixels) {
    *image = QImage();
    *pixels = nullptr;
    if (path.isEmpty()) return false;
    QImage loaded(path);
    if (loaded.isNull()) return false;
    loaded = loaded.convertToFormat(QImage::Format_ARGB32);
    if (loaded.width() != width || loaded.height() != height)
        loaded = loaded.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    *image = loaded;
    *pixels = image->constBits();
    return true;
}

void V360SectionBuilder::releaseAllDecodeDewarpResource() {
    firstImage = QImage();
    secondImage = QImage();
    firstImagePixels = nullptr;
    secondImagePixels = nullptr;
}

void V360SectionBuilder::composeLeadTransitions(int frameIndex, int frames, void* dst) {
    auto* leadIn = const_cast<unsigned char*>(firstImagePixels);
    auto* leadOut = const_cast<unsigned char*>(secondImagePixels);
    if (frameIndex <= 14 && firstTransitor)
        firstTransitor->composeTransitionFrame(frameIndex / 15.0 * 0.5 + 0.5, leadIn, dst, dst);
    else if (secondTransitor && frames - frameIndex <= 15)
        secondTransitor->composeTransitionFrame((frameIndex - frames + 15) / 15.0 * 0.5, dst,
                                                leadOut, dst);
}

V360SectionBuilder::Sound V360SectionBuilder::takeSound() {
    const NoiseFiles noise = noiseFiles();
    const double seconds = totalFrames() / 30.0;
    return [noise, seconds](const QString& outPath, double volume) {
        return makeWhiteNoise(noise, outPath, seconds, volume);
    };
}

int V360SectionBuilder::extractAudioToSectionLength(QString outPath, double volume) {
    return takeSound()(outPath, volume);
}

V360SectionBuilder::NoiseFiles V360SectionBuilder::noiseFiles() const {
    if (!owner) return {};
    return {owner->whiteNoisePath(), owner->volumeReadyWhiteNoisePath()};
}

std::shared_ptr<const std::atomic<bool>> V360SectionBuilder::stopFlag() const {
    return owner ? owner->stopFlag() : nullptr;
}

int V360SectionBuilder::generateWhiteNoise(QString outPath, double seconds, double volume) {
    return makeWhiteNoise(noiseFiles(), outPath, seconds, volume);
}

int V360SectionBuilder::makeWhiteNoise(const NoiseFiles& noise, const QString& outPath,
                                       double seconds, double volume) {
    initWhiteNoiseResource();
    if (!QFile::exists(kWhiteNoise)) {
        LogSystem::e(kTag, "Can not find whiteNoise.mp3, please add libDesktop.qrc!");
        return ResultCode::kSetupFailed;
    }
    if (noise.copy.isEmpty()) return ResultCode::kSetupFailed;
    if (!QFile::exists(noise.copy) && !copyResource(noise.copy)) {
        LogSystem::e(kTag, "Copy white noise file failed!");
        return ResultCode::kSetupFailed;
    }
    const double noiseLength = FFMpegUtil::getAudioLength(noise.copy);
    if (noiseLength <= 0) {
        LogSystem::e(kTag, "white noise has no length?");
        return ResultCode::kMediaError;
    }
    if (seconds <= 0) return ResultCode::kBadArgument;
    if (seconds < noiseLength) return extractNoise(noise.copy, outPath, seconds, volume);
    return appendWhiteNoise(noise, outPath, noiseLength, seconds, volume);
}
