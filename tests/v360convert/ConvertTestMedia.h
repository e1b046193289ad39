#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

// Runs of the ffmpeg and ffprobe tools for the conversion tests.
namespace ConvertTestMedia {

// The tool's standard output; *ok tells whether it exited with 0.
QByteArray run(const QString& tool, const QStringList& args, bool* ok = nullptr);
// ffprobe's "-show_entries" value of the first video stream ("stream=profile", ...).
QString probe(const QString& path, const QString& entries);
QByteArray readAll(const QString& path);
// A clip of `frames` copies of a picture at 27 frames a second, H.264 4:4:4 at QP 0.
QString stillClip(const QImage& picture, const QString& path, int frames);
// Every frame of a video of width x height as ffmpeg decodes it to RGB.
std::vector<QImage> decodedFrames(const QString& path, int width, int height);

}  // namespace ConvertTestMedia
