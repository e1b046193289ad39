#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class VideoSimple360Generator;

// Runs of the ffmpeg and ffprobe tools for the conversion tests, and of a job.
namespace ConvertTestMedia {

// The tool's standard output; *ok tells whether it exited with 0.
QByteArray run(const QString& tool, const QStringList& args, bool* ok = nullptr);
// ffprobe's "-show_entries" value of the first video stream ("stream=profile", ...).
QString probe(const QString& path, const QString& entries);
QByteArray readAll(const QString& path);
// The pictures as raw RGB24 frames, one after another, into `path`; the path.
QString rawFrames(const std::vector<QImage>& pictures, const QString& path);
// ffmpeg's input options for raw RGB24 frames of `size` at `fps` (those before "-i").
QStringList rawFramesInput(QSize size, int fps);
// ffmpeg's output options writing `path` as H.264 at QP 0 (lossless in `pixelFormat`).
QStringList losslessH264(const QString& path, const QString& pixelFormat = "yuv444p");
// A clip of the pictures (all of one size) at `fps` frames a second, H.264 at QP 0 in
// `pixelFormat` (4:4:4 by default).
QString pictureClip(const std::vector<QImage>& pictures, const QString& path, int fps = 27,
                    const QString& pixelFormat = "yuv444p");
// Every frame of a video of width x height as ffmpeg decodes it to RGB.
std::vector<QImage> decodedFrames(const QString& path, int width, int height);

// Runs the job's event loop until it reports (at most three minutes): 0 when it finished,
// else its failure code (1 when it never reported). The generator is not touched afterwards.
int runJob(VideoSimple360Generator* generator);

}  // namespace ConvertTestMedia
