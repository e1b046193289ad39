#include "VideoEncodeTask.h"

#include <QFile>
#include <QImage>

#include "CircleCheckTask.h"
#include "EncodeManager.h"
#include "FFMpegEncoder360G.h"

namespace {

const int kTrialBitRate = 6250000;

}  // namespace

VideoEncodeTask::VideoEncodeTask(EncodeManager* manager, QString samplePath, int width, int height)
    : manager(manager), samplePath(samplePath), width(width), height(height) {}

void VideoEncodeTask::run() {
    const QString output = EncodeManager::trialOutputPath();
    QFile::remove(output);
    result = encodeFirstFrame(output);
}

int VideoEncodeTask::encodeFirstFrame(const QString& output) {
    FFMpegEncoder360G encoder(output.toUtf8().constData(), width, height, kTrialBitRate, nullptr);
    int code = encoder.getInitError();
    if (code == 0) {
        const QImage frame = CircleCheckTask::firstFrame(samplePath, &code);
        if (code == 0) {
            const QImage scaled =
                frame.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
            encoder.encodeArgbData(scaled.constBits(), 1);
        }
    }
    encoder.endEncode();
    return code;
}
