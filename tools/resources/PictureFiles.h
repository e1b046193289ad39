#pragma once

#include <QImage>
#include <QString>

// What the picture tools share: the blank picture they draw on, writing a PNG, and the
// command line naming the output folder.
namespace PictureFiles {

// A w x h transparent premultiplied ARGB picture.
QImage canvas(int w, int h);
// Writes `image` as PNG at `path`, making its folder; says on stderr when it cannot.
bool save(const QImage& image, const QString& path);
// The one argument of `argc`/`argv`, or an empty string after printing
// "usage: <tool> <what>".
QString folderArgument(int argc, char** argv, const char* tool, const char* what);

}  // namespace PictureFiles
