#include "ConvertTestMedia.h"

#include <QFile>
#include <QProcess>

namespace ConvertTestMedia {

QByteArray run(const QString& tool, const QStringList& args, bool* ok) {
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(300000);
    if (ok) *ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

QString probe(const QString& path, const QString& entries) {
    return QString::fromUtf8(
               run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", entries,
                               "-of", "default=nw=1:nk=1", path}))
        .trimmed();
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

}  // namespace ConvertTestMedia
