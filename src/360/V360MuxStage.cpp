#include "V360MuxStage.h"

#include <QFile>

#include "FFMpegAVMuxer.h"
#include "LogSystem.h"
#include "ResultCode.h"
#include "SpatialMetaData.h"

namespace {

const char* const kTag = "V360DispatchThread";

}  // namespace

int V360MuxStage::mux(const QString& sound, const QString& pureVideo, const QString& muxedVideo,
                      const QString& comment) {
    List<const char*> keys;
    List<const char*> values;
    const QByteArray commentText = comment.toUtf8();
    if (!comment.isEmpty()) {
        keys.append("comment");
        values.append(commentText.constData());
    }
    const int result =
        FFMpegAVMuxer::mux(sound.toUtf8().constData(), pureVideo.toUtf8().constData(),
                           muxedVideo.toUtf8().constData(), keys, values);
    QFile::remove(pureVideo);
    if (result < 0) {
        LogSystem::e(kTag, "mergeAudioToVideo failed::%d", result);
        return result;
    }
    return 0;
}

int V360MuxStage::copyToOutput(const QString& muxedVideo, const QString& outputPath, bool spatial) {
    if (spatial) {
        const int result = SpatialMetaData::addMetaDataToVideo(muxedVideo, outputPath);
        if (result != 0) LogSystem::e(kTag, "addMetaDataToVideo failed:%d", result);
        return result;
    }
    QFile::remove(outputPath);
    if (!QFile::copy(muxedVideo, outputPath)) {
        LogSystem::e(kTag, "copy file to target path failed, file may locked");
        return ResultCode::kIoError;
    }
    return 0;
}
