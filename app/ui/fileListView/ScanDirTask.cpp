#include "ScanDirTask.h"

#include <QDir>

#include "FileListView.h"
#include "MainThreadReply.h"

ScanDirTask::ScanDirTask(FileListView* view, QString dirPath)
    : view(view), dirPath(std::move(dirPath)) {}

void ScanDirTask::run() {
    const QStringList names = listVideos(dirPath);
    replyOnMainThread(view, [folder = dirPath, names](FileListView* panel) {
        emit panel->sigScanDirFinish(folder, names);
    });
}

QStringList ScanDirTask::listVideos(const QString& dirPath) {
    return QDir(dirPath).entryList({"*.MOV"}, QDir::Files);
}
