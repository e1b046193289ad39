#include "ScanDirTask.h"

#include <QCoreApplication>
#include <QDir>

#include "FileListView.h"

ScanDirTask::ScanDirTask(FileListView* view, QString dirPath)
    : view(view), dirPath(std::move(dirPath)) {}

void ScanDirTask::run() {
    const QStringList names = listVideos(dirPath);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [target = view, folder = dirPath, names] {
            if (target) emit target->sigScanDirFinish(folder, names);
        },
        Qt::QueuedConnection);
}

QStringList ScanDirTask::listVideos(const QString& dirPath) {
    return QDir(dirPath).entryList({"*.MOV"}, QDir::Files);
}
