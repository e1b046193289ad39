#include "CustomFileModel.h"

#include <QDir>

CustomFileModel::CustomFileModel(QObject* parent) : QFileSystemModel(parent) {}

bool CustomFileModel::hasChildren(const QModelIndex& parent) const {
    // The invalid index is the model's top (the file-system roots), not a folder.
    if (!parent.isValid()) return QFileSystemModel::hasChildren(parent);
    const QDir dir(fileInfo(parent).absoluteFilePath());
    return !dir.entryList(filter(), QDir::NoSort).isEmpty();
}
