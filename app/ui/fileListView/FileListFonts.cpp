#include "FileListFonts.h"

#include <QGuiApplication>
#include <QLocale>

QFont FileListFonts::font(QFont base, int pixelSize, int japanesePixelSize) {
    base.setFamily(family());
    base.setPixelSize(QLocale::system().name() == "ja_JP" ? japanesePixelSize : pixelSize);
    return base;
}

QString FileListFonts::family() { return QGuiApplication::font().family(); }
