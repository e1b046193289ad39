#include "V360PanoramaVideoSectionBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <future>
#include <thread>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include "FFMpegUtil.h"
#include "FisheyeLens.h"
#include "ImageBufferUtil.h"
#include "ResultCode.h"

namespace {

const float kPi = 3.14159265358979323846f;

int half(int side) { return (side + 1) / 2; }

using StopFlag = std::shared_ptr<const std::atomic<bool>>;

// The recording's whole sound track into `target`: 0 or the failure; -10002 once the job has
// stopped (the tool is ended then).
int takeSoundTrack(const QString& recording, const QString& target, const StopFlag& stop) {
    return FFMpegUtil::extractAudioFromVideo(recording, target, -1.0, -1.0, 1.0, stop.get());
}

}  // namespace

// The extraction runs on a thread of its own; the future waits for it when it goes, before the
// folder does.
struct V360PanoramaVideoSectionBuilder::SoundAhead {
    QTemporaryDir folder;
    QString path = folder.filePath("sound.m4a");
    std::future<int> result;

    // The track into outPath: 0 or the failure.
    int moveTo(const QString& outPath) {
        const int taken = result.valid() ? result.get() : ResultCode::kSetupFailed;
        if (taken < 0) return taken;
        QFile::remove(outPath);
        return QFile::rename(path, outPath) ? 0 : ResultCode::kSetupFailed;
    }
};

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
    planar = planarAllowed;
    int result = source.open(-1, -1, planar);
    if (result < 0) return result;
    result = source.seekToStart();
    if (result < 0) return result;
    srcWidth = source.sourceWidth();
    srcHeight = source.sourceHeight();
    // BGRA frames are packed; planar ones keep the decoder's line sizes.
    lumaStride = srcWidth;
    chromaStride = half(srcWidth);
    if (planar) source.planeStrides(&lumaStride, &chromaStride);
    if (centerX < 0) centerX = static_cast<float>(srcWidth / 2);
    if (centerY < 0) centerY = static_cast<float>(srcHeight / 2);
    if (radius < 0) radius = static_cast<float>(srcWidth / 2);
    buildTables();
    startSoundAhead();
    return 0;
}

void V360PanoramaVideoSectionBuilder::startSoundAhead() {
    if (soundAhead) return;
    auto ahead = std::make_shared<SoundAhead>();
    if (!ahead->folder.isValid()) return;
    const QString recording = source.path();
    const QString target = ahead->path;
    ahead->result = std::async(std::launch::async, [recording, target, stop = stopFlag()] {
        return takeSoundTrack(recording, target, stop);
    });
    soundAhead = std::move(ahead);
}

VideoColour V360PanoramaVideoSectionBuilder::sourceColour() { return source.colour(); }

bool V360PanoramaVideoSectionBuilder::rendersPlanar() { return planar; }

// The rows are shared out among the processors.
void V360PanoramaVideoSectionBuilder::buildTables() {
    table.assign(static_cast<size_t>(width) * height, -1);
    chromaTable.assign(planar ? static_cast<size_t>(half(width)) * half(height) : 0, -1);
    const int workers = std::max(1, std::min<int>(std::thread::hardware_concurrency(), height));
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back(&V360PanoramaVideoSectionBuilder::buildRows, this,
                             height * w / workers, height * (w + 1) / workers);
    for (std::thread& thread : threads) thread.join();
}

// Table rows [firstRow, endRow), with the chroma rows that start in them.
void V360PanoramaVideoSectionBuilder::buildRows(int firstRow, int endRow) {
    int x = 0, y = 0;
    for (int d = firstRow; d < endRow; ++d) {
        int32_t* entry = table.data() + static_cast<size_t>(d) * width;
        for (int i = 0; i < width; ++i)
            entry[i] = sourcePoint(d, i, &x, &y) ? y * lumaStride + x : -1;
        if (!planar || d % 2 != 0) continue;
        int32_t* chroma = chromaTable.data() + static_cast<size_t>(d / 2) * half(width);
        for (int i = 0; i < half(width); ++i)
            chroma[i] =
                sourcePoint(d + 0.5f, 2 * i + 0.5f, &x, &y) ? (y / 2) * chromaStride + x / 2 : -1;
    }
}

// Source pixel (*x, *y) of an output point (row d, column i, in output pixels), in single
// precision; false for none. The table covers the whole sphere: nothing beyond the lens circle,
// and a point just before the frame's first row or column is taken as that row or column.
bool V360PanoramaVideoSectionBuilder::sourcePoint(float d, float i, int* x, int* y) const {
    const float a = d * -kPi / height + kPi / 2;
    const float b = i * (-2 * kPi) / width;
    const float v[3] = {std::cos(a) * std::cos(b), std::cos(a) * std::sin(b), std::sin(a)};
    float w[3];
    fisheyeLensDirection(v, w);
    const FisheyeCircle circle{centerX, centerY, radius, srcWidth, srcHeight};
    return fisheyePixel(circle, w, FisheyeEdge::kCircle, x, y);
}

// Planar: the picture itself, whose planes the dewarp reads; else its packed BGRA pixels.
void* V360PanoramaVideoSectionBuilder::prepareSrcFrame(int) {
    if (planar) return const_cast<AVFrame*>(source.nextPicture(&failure));
    return source.next(&failure);
}

int V360PanoramaVideoSectionBuilder::dewarp(int, void* src, void* dst) {
    if (planar)
        dewarpPlanar(static_cast<const AVFrame*>(src), static_cast<uint8_t*>(dst));
    else
        ImageBufferUtil::remap(table.data(), table.size(), src, dst);
    return 0;
}

// Into planes Y, U, V packed one after another, from the picture's own planes; no source is
// black.
void V360PanoramaVideoSectionBuilder::dewarpPlanar(const AVFrame* src, uint8_t* dst) const {
    const bool full = source.colour().range == AVCOL_RANGE_JPEG;
    const size_t chroma = chromaTable.size();
    ImageBufferUtil::remapBytes(table.data(), table.size(), src->data[0], dst, full ? 0 : 16);
    dst += table.size();
    ImageBufferUtil::remapBytes(chromaTable.data(), chroma, src->data[1], dst, 128);
    ImageBufferUtil::remapBytes(chromaTable.data(), chroma, src->data[2], dst + chroma, 128);
}

void V360PanoramaVideoSectionBuilder::releaseSrcFrame(void* src) {
    source.release(planar ? static_cast<AVFrame*>(src)->data[0] : src);
}

void V360PanoramaVideoSectionBuilder::releaseAllDecodeDewarpResource() {
    V360SectionBuilder::releaseAllDecodeDewarpResource();
    source.releaseAll();
}

V360SectionBuilder::Sound V360PanoramaVideoSectionBuilder::takeSound() {
    std::shared_ptr<SoundAhead> ahead = std::move(soundAhead);
    const QString recording = source.path();
    const double seconds = source.framesRead() / SectionVideoSource::kRate;
    const NoiseFiles noise = noiseFiles();
    return [ahead, recording, seconds, noise, stop = stopFlag()](const QString& outPath,
                                                                 double volume) {
        const int taken = ahead ? ahead->moveTo(outPath) : takeSoundTrack(recording, outPath, stop);
        if (taken >= 0) return 0;
        if (taken == ResultCode::kCancelled) return taken;
        return makeWhiteNoise(noise, outPath, seconds, volume);
    };
}
