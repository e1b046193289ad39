#include "FileListFonts.h"

#include <QGuiApplication>
#include <QLocale>

#include "FontStyle.h"

QFont FileListFonts::font(QFont base, int pixelSize, int japanesePixelSize) {
    base.setFamily(family());
    base.setPixelSize(QLocale::system().name() == "ja_JP" ? japanesePixelSize : pixelSize);
    return base;
}

QString FileListFonts::family() {
    const QString family = FontStyle::getFontFamily();
    return family.isEmpty() ? QGuiApplication::font().family() : family;
}
