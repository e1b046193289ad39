#include "ConvertedFileSaver.h"

#include <cstdio>

#include <QFile>
#include <QFileInfo>

#include "ExportFolder.h"

namespace {

QString withMp4Suffix(const QString& path) {
    if (QFileInfo(path).suffix().compare("mp4", Qt::CaseInsensitive) == 0) return path;
    return path + ".mp4";
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo left(a), right(b);
    if (left.exists() && right.exists())
        return left.canonicalFilePath() == right.canonicalFilePath();
    return left.absoluteFilePath() == right.absoluteFilePath();
}

// Replaces `target` by `partial` in one step, so the old file stays until the new one is in
// place; the partial copy goes when that fails.
bool replaceBy(const QString& partial, const QString& target) {
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

}  // namespace

ConvertedFileSaver::Result ConvertedFileSaver::save(const QString& converted,
                                                    const QString& chosen) {
    if (converted.isEmpty() || !QFile::exists(converted)) return Failed;
    const QString target = withMp4Suffix(chosen);
    if (sameFile(target, converted)) return SameFile;
    const QString partial = target + ".part";
    QFile::remove(partial);
    if (!QFile::copy(converted, partial) || !replaceBy(partial, target)) return Failed;
    QFile::remove(converted);
    return Saved;
}

QString ConvertedFileSaver::suggestedFile(const QString& playing) {
    return ExportFolder::start() + "/" + QFileInfo(playing).baseName() + "_export";
}
