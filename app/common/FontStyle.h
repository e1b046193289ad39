#pragma once

#include <QString>

// The fonts the program carries as resources and the family every view uses.
// init() runs once on the main thread before any view is built.
class FontStyle {
  public:
    // Registers the five embedded fonts and keeps the family names of the first three.
    static void init();
    // The Japanese family for the locale "ja_JP", else the western one; empty before init().
    static QString getFontFamily();

    static QString jaFont;
    static QString macEnFont;
    static QString winEnFont;  // kept, never handed out
};
