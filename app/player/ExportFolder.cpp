#include "ExportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char* const kKey = "EXPORT_DIR_PATH";

QString settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/setting.ini";
}

QString stored() { return QSettings(settingsPath(), QSettings::IniFormat).value(kKey).toString(); }

// The documents folder, made when missing; empty when there is none and none can be made.
QString documents() {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (path.isEmpty() || !QDir().mkpath(path)) return QString();
    return path;
}

}  // namespace

QString ExportFolder::start() {
    const QString folder = stored();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    const QString fallback = documents();
    return fallback.isEmpty() ? QDir::homePath() : fallback;
}

void ExportFolder::remember(const QString& folder) {
    if (folder == stored()) return;
    QSettings(settingsPath(), QSettings::IniFormat).setValue(kKey, folder);
}
