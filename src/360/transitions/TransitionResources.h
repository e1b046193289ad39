#pragma once

#include <QImage>
#include <QString>

// The embedded pictures and the title font of the transitions and titles.
class TransitionResources {
  public:
    // The picture at path converted to ARGB32 (bytes B, G, R, A); a transparent 1 x 1 picture
    // when it cannot be loaded. Any thread.
    static QImage loadPicture(const QString& path);
    // Family of ":font/blkchcry.ttf", registered once on the GUI thread; empty (the default
    // family) when not registered.
    static QString titleFontFamily();
};
