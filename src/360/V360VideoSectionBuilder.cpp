#include "V360VideoSectionBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ColorFilter.h"
#include "FFMpegAudioExtractor.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "ResultCode.h"
#include "V360DispatchThread.h"
#include "Video360GeneratorHelper.h"
#include "VideoRotationFeeder.h"

namespace {

const char* const kTag = "V360VSB";
const int kOwnFeeder = 0x01 | 0x80;
const int kDeleteFeeder = 0x02 | 0x80;

int extractSound(const QString& path, const QString& outPath, double start, double length,
                 double volume) {
    return FFMpegAudioExtractor::extract(path.toUtf8().constData(), outPath.toUtf8().constData(),
                                         start, length, volume, true, true);
}

// Appends white noise for the missing seconds; on a failure the short sound stays.
int patchWithWhiteNoise(const V360SectionBuilder::NoiseFiles& noise, const QString& outPath,
                        double have, double length, double volume) {
    QTemporaryDir dir;
    if (!dir.isValid()) return ResultCode::kSetupFailed;
    const QString shortAudio = QString("%1/shortAudio.m4a").arg(dir.path());
    const QString patch = QString("%1/patchWNPath.m4a").arg(dir.path());
    if (!QFile::copy(outPath, shortAudio)) return ResultCode::kIoError;
    int result = V360SectionBuilder::makeWhiteNoise(noise, patch, length - have, volume);
    if (result == 0) {
        QFile::remove(outPath);
        FFMpegMuxBasedAudioConcatenater concat(outPath.toUtf8().constData(),
                                               shortAudio.toUtf8().constData());
        result = concat.getInitError();
        if (result == 0) result = concat.append(patch.toUtf8().constData());
        const int closed = concat.close();
        if (result == 0) result = closed;
    }
    if (result != 0) {
        QFile::remove(outPath);
        QFile::copy(shortAudio, outPath);
    }
    QFile::remove(shortAudio);
    QFile::remove(patch);
    return result;
}

int frameAt(double seconds) { return static_cast<int>(seconds * SectionVideoSource::kRate + 0.5); }

}  // namespace

V360VideoSectionBuilder::V360VideoSectionBuilder(int width, int height, QString srcPath,
                                                 QString eyePath, double filterStart,
                                                 double rotationOffset, double startTime,
                                                 double endTime, QString leadInImagePath,
                                                 QString leadOutImagePath, V360Transitor* first,
                                                 V360Transitor* second, QString altSoundPath,
                                                 double filter1, double filter2, double filter3)
    : V360SectionBuilder(width, height, std::move(leadInImagePath), std::move(leadOutImagePath),
                         first, second),
      source(std::move(srcPath), startTime, endTime),
      eyePath(std::move(eyePath)),
      filterStart(filterStart),
      rotationOffset(rotationOffset),
      altSoundPath(std::move(altSoundPath)),
      colorFilter(ColorFilter::newUnlessNegative(filter1, filter2, filter3)) {}

V360VideoSectionBuilder::~V360VideoSectionBuilder() {
    V360VideoSectionBuilder::releaseAllDecodeDewarpResource();
}

void V360VideoSectionBuilder::setSubVideoFlags(int flags) { subVideoFlags = flags; }

void V360VideoSectionBuilder::setSubVideoFiles(List<QString>& files) { subVideoFiles = files; }

void V360VideoSectionBuilder::setEyeEndTime(double seconds) { eyeEndTime = seconds; }

void V360VideoSectionBuilder::setMasterBuilder(V360VideoSectionBuilder* section) {
    master = section;
}

void V360VideoSectionBuilder::prepared() {
    state = kPrepared;
    if (owner) emit owner->eBuilderPrepared();
}

void V360VideoSectionBuilder::onProgress(double fraction) {
    if (owner)
        emit owner->eUpdateCurrentIASteps(static_cast<int>(preparationSteps * fraction + 0.5));
}

void V360VideoSectionBuilder::_onProgress(void* section, double fraction) {
    static_cast<V360VideoSectionBuilder*>(section)->onProgress(fraction);
}

int V360VideoSectionBuilder::totalFrames() { return source.totalFrames(); }

int V360VideoSectionBuilder::prepare() {
    if (state == kPrepared) return 0;
    if (state == kPreparing) return ResultCode::kPrepareAsync;
    V360SectionBuilder::prepare();
    int result = source.open(decodeSide, decodeSide);
    if (result < 0) return result;
    result = takeFeeder();
    if (result != 0) return result;
    if (subVideoFlags & kOwnFeeder) {
        if (source.path().contains("TL")) {
            // Time-lapse recordings: a fixed stretch of rotation data, no seek.
            feeder->prepareFilteredRotationData(30, 2);
            return 0;
        }
        const int first = frameAt(filterStart);
        const int count = eyeEndTime > 0 ? frameAt(eyeEndTime) - first : -1;
        feeder->prepareFilteredRotationData(first, count);
    }
    result = source.seekToStart();
    if (result < 0) return result;
    state = kPrepared;
    return 0;
}

// The section's own feeder (flag 0x01 or 0x80), else the prepared master's: -4 without one.
int V360VideoSectionBuilder::takeFeeder() {
    if (subVideoFlags & kOwnFeeder) {
        if (!feeder) feeder = VideoRotationFeeder::newVRFeeder(eyePath.toUtf8().constData(), true);
        return 0;
    }
    feeder = master ? master->feeder : nullptr;
    if (feeder) return 0;
    LogSystem::e(kTag, "no master feeder for %s", source.path().toUtf8().constData());
    return ResultCode::kBadArgument;
}

void* V360VideoSectionBuilder::prepareSrcFrame(int) { return source.next(&failure); }

int V360VideoSectionBuilder::dewarp(int frameIndex, void* src, void* dst) {
    double rotation[3][3];
    feeder->fillRotationData(
        static_cast<int>(rotationOffset * SectionVideoSource::kRate + frameIndex + 0.5), rotation);
    // A source frame shown for several output frames is handed to several dewarps, maybe at
    // once: the filters work on a copy of it.
    std::vector<uint8_t> copy;
    if (colorFilter || (helper && helper->filtersSource())) {
        const auto* pixels = static_cast<const uint8_t*>(src);
        copy.assign(pixels, pixels + static_cast<size_t>(kSourceSide) * kSourceSide * 4);
        src = copy.data();
    }
    if (colorFilter) colorFilter->applyBGR(src, kSourceSide, kSourceSide);
    std::memset(dst, 0, static_cast<size_t>(width) * height * 4);
    if (helper)
        helper->dewarpFrame(src, dst, rotation, kSourceSide, kSourceSide, centerX, centerY, radius);
    composeLeadTransitions(frameIndex, source.totalFrames(), dst);
    return 0;
}

void V360VideoSectionBuilder::releaseSrcFrame(void* src) { source.release(src); }

void V360VideoSectionBuilder::releaseAllDecodeDewarpResource() {
    V360SectionBuilder::releaseAllDecodeDewarpResource();
    source.releaseAll();
    if (subVideoFlags & kDeleteFeeder) {
        delete feeder;
        feeder = nullptr;
    }
}

V360SectionBuilder::Sound V360VideoSectionBuilder::takeSound() {
    const QString path = source.path();
    const QString alternative = altSoundPath;
    const double start = source.startTime();
    const double length = source.framesRead() / SectionVideoSource::kRate;
    const NoiseFiles noise = noiseFiles();
    return [=](const QString& outPath, double volume) {
        int result = extractSound(path, outPath, start, length, volume);
        if (result != 0 && !alternative.isEmpty())
            result = extractSound(alternative, outPath, start, length, volume);
        if (result != 0) return makeWhiteNoise(noise, outPath, length, volume);
        const double have = FFMpegUtil::getAudioLength(outPath);
        if (length - have > 0.001) {
            const int patched = patchWithWhiteNoise(noise, outPath, have, length, volume);
            if (patched != 0) LogSystem::w(kTag, "sound stays short, patch failed: %d", patched);
        }
        return 0;
    };
}
