#include "V360JobFolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

V360JobFolder::V360JobFolder(QString shared) {
    if (shared.isEmpty()) shared = defaultShared();
    QDir().mkpath(shared);
    // mkdtemp: a new folder of a unique name with rights 0700, never an existing one.
    dir.reset(new QTemporaryDir(shared + "/job-XXXXXX"));
    if (!dir->isValid()) dir.reset();
}

V360JobFolder::~V360JobFolder() { remove(); }

QString V360JobFolder::defaultShared() {
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio";
}

bool V360JobFolder::isValid() const { return dir != nullptr; }

QString V360JobFolder::path() const { return dir ? dir->path() : QString(); }

QString V360JobFolder::file(const QString& name) const {
    return dir ? dir->filePath(name) : QString();
}

void V360JobFolder::remove() {
    if (dir) dir->remove();
    dir.reset();
}
