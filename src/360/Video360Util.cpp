#include "Video360Util.h"

#include <memory>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimeZone>

extern "C" {
#include <libavutil/frame.h>
}

#include "FFMpegDecoder360G.h"
#include "ResultCode.h"
#include "VideoRotationFeeder.h"
#include "View360Thumbnail.h"

namespace {

struct FrameCell {
    AVFrame** cell = nullptr;
    ~FrameCell() {
        if (!cell) return;
        av_frame_unref(*cell);
        av_frame_free(cell);
        delete cell;
    }
    const void* pixels() const { return (*cell)->data[0]; }
};

// Opens `path`; the open result (negative: failure).
int openVideo(FFMpegDecoder360G* decoder, const QString& path, double* duration) {
    const int opened = decoder->initWithFilePath(path.toUtf8().constData());
    if (opened < 0) return opened;
    if (duration) *duration = decoder->getVideoDuration();
    return 0;
}

bool readFrameAt(FFMpegDecoder360G* decoder, double seconds, FrameCell* frame) {
    decoder->seekTo(seconds);
    frame->cell = decoder->readNextVideoFrame();
    return frame->cell != nullptr;
}

QString attitudeFileOf(const QString& videoPath) {
    const QFileInfo info(videoPath);
    const QString name = info.completeBaseName() + ".eye";
    const QString beside = info.dir().filePath(name);
    return QFileInfo(beside).isFile() ? beside : info.dir().filePath("AppView/" + name);
}

void fillRotationAt(const QString& videoPath, int frame, double rot[3][3]) {
    const QByteArray eye = attitudeFileOf(videoPath).toUtf8();
    std::unique_ptr<VideoRotationFeeder> feeder(
        VideoRotationFeeder::newVRFeeder(eye.constData(), false));
    feeder->prepareFilteredRotationData(frame, -1);
    feeder->fillRotationData(frame, rot);
}

double sizeRate(int height) {
    if (height == 2160) return 4.0;
    if (height == 1440) return 2.0;
    return 1.0;
}

bool makeFolder(const QString& path) { return QDir().mkpath(path); }

}  // namespace

int Video360Util::getThumbnailFromSrcVideo(QString path, double time, int width, int height,
                                           int viewAngle, QImage* out, double* duration) {
    if (!View360Thumbnail::isValidRequest(width, height, viewAngle))
        return View360Thumbnail::kBadRequest;
    FFMpegDecoder360G decoder;
    const int opened = openVideo(&decoder, path, duration);
    if (opened < 0) return opened;
    const int w = decoder.getVideoWidth(), h = decoder.getVideoHeight();
    const int frameIndex = time > 0 ? static_cast<int>(time * 30 + 0.5) : 5;
    double rot[3][3];
    fillRotationAt(path, frameIndex, rot);
    FrameCell frame;
    if (!readFrameAt(&decoder, frameIndex / 30.0, &frame)) return ResultCode::kIoError;
    *out = View360Thumbnail::fromFisheye(frame.pixels(), w, h, rot, width, height, viewAngle);
    return 0;
}

int Video360Util::getThumbnailFromSrcVideo(QString path, int width, int height, int viewAngle,
                                           QImage* out, double* duration) {
    return getThumbnailFromSrcVideo(path, -1.0, width, height, viewAngle, out, duration);
}

int Video360Util::getThumbnailFromVideo(QString path, double time, int width, int height,
                                        QImage* out, double* duration) {
    if (!View360Thumbnail::isValidRequest(width, height, 360)) return View360Thumbnail::kBadRequest;
    FFMpegDecoder360G decoder;
    const int opened = openVideo(&decoder, path, duration);
    if (opened < 0) return opened;
    const double at = time > 0 ? static_cast<int>(time * 30 + 0.5) / 30.0 : 1.0 / 6;
    FrameCell frame;
    if (!readFrameAt(&decoder, at, &frame)) return ResultCode::kIoError;
    const int w = decoder.getVideoWidth(), h = decoder.getVideoHeight();
    const QImage picture(static_cast<const uchar*>(frame.pixels()), w, h, w * 4,
                         QImage::Format_ARGB32);
    *out = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return 0;
}

int Video360Util::getThumbnailFrom360Video(QString path, int width, int height, int viewAngle,
                                           QImage* out, int* videoHeight, double* duration,
                                           long long* createdMs, int* utcOffset,
                                           long long* durationMs) {
    if (!View360Thumbnail::isValidRequest(width, height, viewAngle))
        return View360Thumbnail::kBadRequest;
    FFMpegDecoder360G decoder;
    double seconds = 0;
    const int opened = openVideo(&decoder, path, &seconds);
    if (opened < 0) return opened;
    if (duration) *duration = seconds;
    const QDateTime created = QFileInfo(path).birthTime().isValid()
                                  ? QFileInfo(path).birthTime()
                                  : QFileInfo(path).lastModified();
    if (createdMs) *createdMs = created.toMSecsSinceEpoch();
    if (utcOffset) *utcOffset = QTimeZone::systemTimeZone().offsetFromUtc(created);
    if (durationMs) *durationMs = static_cast<long long>(seconds) * 1000;
    FrameCell frame;
    if (!readFrameAt(&decoder, 1.0 / 6, &frame)) return ResultCode::kIoError;
    *out = View360Thumbnail::fromEquirect(frame.pixels(), decoder.getVideoWidth(),
                                          decoder.getVideoHeight(), width, height, viewAngle);
    if (videoHeight) *videoHeight = decoder.getVideoHeight();
    return 0;
}

bool Video360Util::isEnoughSpace(long long megabytes, QString path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    const QString own = info.exists() ? info.absoluteFilePath() : info.absolutePath();
    const QStorageInfo storage(own);
    if (!storage.isValid() || !storage.isReady()) return false;
    return megabytes < storage.bytesAvailable() / 1000000;
}

long long Video360Util::measureGeneratedVideoSize(int seconds, int height) {
    return static_cast<long long>(seconds * sizeRate(height) + 0.5);
}

long long Video360Util::measureGeneratingVideoTempSize(int seconds, int height) {
    return 2 * measureGeneratedVideoSize(seconds, height);
}

QString Video360Util::getGeneratingTempPath(long long megabytes) {
    const QString candidate =
        QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio";
    makeFolder(candidate);
    if (isEnoughSpace(megabytes, candidate)) return candidate;
    const QString candidateRoot = QStorageInfo(candidate).rootPath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (root == candidateRoot || !isEnoughSpace(megabytes, root)) continue;
        const QString folder = root + (root.endsWith("/") ? "" : "/") + "UQO Studio/Temp";
        if (makeFolder(folder) && QStorageInfo(folder).isValid()) return folder;
    }
    return QString();
}
