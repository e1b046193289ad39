#include "ConvertTestMedia.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include "VideoSimple360Generator.h"

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

QString rawFrames(const std::vector<QImage>& pictures, const QString& path) {
    QFile raw(path);
    raw.open(QIODevice::WriteOnly);
    for (const QImage& picture : pictures) {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < rgb.height(); ++y)
            raw.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    }
    return path;
}

QStringList rawFramesInput(QSize size, int fps) {
    return {"-f",       "rawvideo",
            "-pix_fmt", "rgb24",
            "-s",       QString("%1x%2").arg(size.width()).arg(size.height()),
            "-r",       QString::number(fps)};
}

QStringList losslessH264(const QString& path, const QString& pixelFormat) {
    return {"-c:v", "libx264", "-qp", "0", "-pix_fmt", pixelFormat, path};
}

QString pictureClip(const std::vector<QImage>& pictures, const QString& path, int fps,
                    const QString& pixelFormat) {
    QFile raw(rawFrames(pictures, path + ".rgb"));
    run("ffmpeg", QStringList{"-v", "error", "-y"} + rawFramesInput(pictures.front().size(), fps) +
                      QStringList{"-i", raw.fileName()} + losslessH264(path, pixelFormat));
    raw.remove();
    return path;
}

std::vector<QImage> decodedFrames(const QString& path, int width, int height) {
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    const int size = width * height * 3;
    std::vector<QImage> frames;
    for (int at = 0; at + size <= raw.size(); at += size)
        frames.push_back(QImage(reinterpret_cast<const uchar*>(raw.constData()) + at, width, height,
                                width * 3, QImage::Format_RGB888)
                             .copy());
    return frames;
}

int runJob(VideoSimple360Generator* generator) {
    int result = 1;
    QEventLoop loop;
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFinished, &loop,
                     [&](QString) {
                         result = 0;
                         loop.quit();
                     });
    QObject::connect(generator, &VideoSimple360Generator::videoGenerationFailed, &loop,
                     [&](int code) {
                         result = code;
                         loop.quit();
                     });
    QTimer::singleShot(180000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

}  // namespace ConvertTestMedia
