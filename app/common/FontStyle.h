#pragma once

#include <QFont>
#include <QString>

// The fonts the program carries as resources and the family every view uses.
// init() runs once on the main thread before any view is built.
class FontStyle {
  public:
    // Registers the five embedded fonts and keeps the family names of the first three.
    static void init();
    // The Japanese family for the locale "ja_JP", else the western one; empty before init().
    static QString getFontFamily();
    // `base` with the program's family (the application font's before init()) and
    // `pixelSize`, or `japanesePixelSize` when the system locale is "ja_JP".
    static QFont font(QFont base, int pixelSize, int japanesePixelSize);

    static QString jaFont;
    static QString macEnFont;
    static QString winEnFont;  // kept, never handed out
};
