#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs of the ffmpeg and ffprobe tools for the conversion tests.
namespace ConvertTestMedia {

// The tool's standard output; *ok tells whether it exited with 0.
QByteArray run(const QString& tool, const QStringList& args, bool* ok = nullptr);
// ffprobe's "-show_entries" value of the first video stream ("stream=profile", ...).
QString probe(const QString& path, const QString& entries);
QByteArray readAll(const QString& path);

}  // namespace ConvertTestMedia
