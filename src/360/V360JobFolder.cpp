#include "V360JobFolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

// mkdtemp: a new folder of a unique name with rights 0700, never an existing one. By default
// it is made in the temporary location itself, under no folder of a fixed name that another
// user could have made first.
V360JobFolder::V360JobFolder(QString shared) {
    if (shared.isEmpty()) {
        dir.reset(new QTemporaryDir(defaultPattern()));
    } else {
        QDir().mkpath(shared);
        dir.reset(new QTemporaryDir(shared + "/job-XXXXXX"));
    }
    if (!dir->isValid()) dir.reset();
}

V360JobFolder::~V360JobFolder() { remove(); }

QString V360JobFolder::defaultPattern() {
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/UQO Studio-XXXXXX";
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
