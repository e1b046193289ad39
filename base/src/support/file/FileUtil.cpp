#include "FileUtil.h"

#include <cstring>

#include <QDir>
#include <QFileInfo>

namespace {

char* dupUtf8(const QString& text) { return strdup(text.toUtf8().constData()); }

char* absolutePathIn(const char* folder, const char* name) {
    const QFileInfo info(QDir(QString::fromUtf8(folder)), QString::fromUtf8(name));
    return dupUtf8(info.absoluteFilePath());
}

}  // namespace

List<char*> FileUtil::scanDir(const char* folder) {
    List<char*> names;
    const QDir dir(QString::fromUtf8(folder));
    const QStringList entries = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& entry : entries) names.append(dupUtf8(entry));
    return names;
}

char* FileUtil::generateFullFilePath(const char* folder, const char* name) {
    return absolutePathIn(folder, name);
}

char* FileUtil::generateFullDirPath(const char* folder, const char* name) {
    return absolutePathIn(folder, name);
}
