#include "SectionFixtures.h"

#include <QFile>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ConvertTestMedia.h"

using ConvertTestMedia::run;

namespace SectionFixtures {

namespace {

QString number(double value) { return QString::number(value, 'f', 4); }

QString colourSource(QColor colour, int width, int height, double seconds) {
    return QString("color=c=0x%1:s=%2x%3:r=27:d=%4")
        .arg(colour.name().mid(1))
        .arg(width)
        .arg(height)
        .arg(number(seconds));
}

}  // namespace

QString solidClip(const QString& path, int width, int height, QColor colour, double seconds,
                  double soundSeconds) {
    if (QFile::exists(path)) return path;
    QStringList args = {
        "-v", "error", "-y", "-f", "lavfi", "-i", colourSource(colour, width, height, seconds)};
    if (soundSeconds > 0)
        args << "-f"
             << "lavfi"
             << "-i" << QString("anullsrc=r=44100:cl=stereo:d=%1").arg(number(soundSeconds))
             << "-c:a"
             << "aac";
    args << "-c:v"
         << "libx264"
         << "-pix_fmt"
         << "yuv420p" << path;
    run("ffmpeg", args);
    return path;
}

QString halvesClip(const QString& path, int width, int height, QColor top, QColor bottom,
                   double seconds) {
    const QString graph = QString("[0][1]vstack");
    run("ffmpeg",
        QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                    colourSource(top, width, height / 2, seconds), "-f", "lavfi", "-i",
                    colourSource(bottom, width, height / 2, seconds), "-filter_complex", graph} +
            ConvertTestMedia::losslessH264(path));
    return path;
}

QString patternClip(const QString& path, int width, int height, double seconds) {
    run("ffmpeg",
        QStringList{
            "-v", "error", "-y", "-f", "lavfi", "-i",
            QString("testsrc2=s=%1x%2:r=27:d=%3").arg(width).arg(height).arg(number(seconds))} +
            ConvertTestMedia::losslessH264(path));
    return path;
}

QString solidImage(const QString& path, int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

std::vector<short> monoSamples(const QString& path) {
    const QByteArray raw =
        run("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", "44100", "-"});
    std::vector<short> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

double rms(const std::vector<short>& samples, double from, double to) {
    const size_t first = static_cast<size_t>(from * 44100);
    const size_t last = std::min(samples.size(), static_cast<size_t>(to * 44100));
    double sum = 0;
    for (size_t i = first; i < last; ++i) sum += double(samples[i]) * samples[i];
    return last > first ? std::sqrt(sum / (last - first)) : 0;
}

}  // namespace SectionFixtures
