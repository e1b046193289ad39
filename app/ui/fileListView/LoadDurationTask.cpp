#include "LoadDurationTask.h"

#include "FFMpegDecoder360G.h"
#include "FileListItemView.h"
#include "MainThreadReply.h"

LoadDurationTask::LoadDurationTask(FileListItemView* view, QString path)
    : view(view), path(std::move(path)) {}

void LoadDurationTask::run() {
    const double seconds = readDuration(path);
    replyOnMainThread(view,
                      [seconds](FileListItemView* row) { emit row->sigDurationLoaded(seconds); });
}

double LoadDurationTask::readDuration(const QString& path) {
    FFMpegDecoder360G decoder;
    if (decoder.initWithFilePath(path.toUtf8().constData()) != 0) return 0;
    const double seconds = decoder.getDuration();  // the player's duration too
    decoder.releaseResource();
    return seconds;
}
