#include "PictureFiles.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

namespace PictureFiles {

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

bool save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

QString folderArgument(int argc, char** argv, const char* tool, const char* what) {
    if (argc == 2) return QString::fromLocal8Bit(argv[1]);
    std::fprintf(stderr, "usage: %s %s\n", tool, what);
    return QString();
}

}  // namespace PictureFiles
