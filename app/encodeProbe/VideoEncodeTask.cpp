#include "VideoEncodeTask.h"

#include <QFile>
#include <QImage>

#include "EncodeManager.h"
#include "FFMpegEncoder360G.h"
#include "FirstFrameReader.h"

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

// Steps: open the encoder, read the sample's first frame, scale it, encode it; a cancel
// skips the steps still ahead, so the encoder has nothing to flush.
int VideoEncodeTask::encodeFirstFrame(const QString& output) {
    if (cancelled) return 0;
    FFMpegEncoder360G encoder(output.toUtf8().constData(), width, height, kTrialBitRate, nullptr);
    int code = encoder.getInitError();
    QImage frame;
    if (code == 0 && !cancelled) frame = FirstFrameReader::read(samplePath, &code);
    if (code == 0 && !cancelled)
        frame = frame.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
    // The frame's own result is not examined: the trial is about the encoder opening at the size.
    if (code == 0 && !cancelled) encoder.encodeArgbData(frame.constBits(), 1);
    encoder.endEncode();
    return code;
}
