#pragma once

#include <QFont>

// Fonts of the file browser's views: the one place that picks their family and pixel sizes.
class FileListFonts {
  public:
    // `base` with the browser's family and `pixelSize`, or `japanesePixelSize` when the system
    // locale is "ja_JP".
    static QFont font(QFont base, int pixelSize, int japanesePixelSize);

  private:
    // The program's family (FontStyle), or the application font's before the set-up.
    static QString family();
};
