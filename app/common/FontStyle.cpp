#include "FontStyle.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLocale>
#include <QStringList>

#include "EmbeddedResource.h"

QString FontStyle::jaFont;
QString FontStyle::macEnFont;
QString FontStyle::winEnFont;

static void initFontResources() { RV_INIT_RESOURCE_ONCE(font); }

namespace {

// The first family of the registered font, or empty when it cannot be registered.
QString registerFont(const QString& resource) {
    const int id = QFontDatabase::addApplicationFont(resource);
    if (id < 0) return QString();
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

}  // namespace

void FontStyle::init() {
    initFontResources();
    jaFont = registerFont(":/font/Hiragino Kaku Gothic Pro W6.otf");
    macEnFont = registerFont(":/font/Frutiger.ttf");
    winEnFont = registerFont(":/font/Calibri Regular.ttf");
    registerFont(":/font/Frutiger_bold.ttf");
    registerFont(":/font/Calibri Bold.TTF");
}

QString FontStyle::getFontFamily() {
    return QLocale::system().name() == "ja_JP" ? jaFont : macEnFont;
}

QFont FontStyle::font(QFont base, int pixelSize, int japanesePixelSize) {
    const QString family = getFontFamily();
    base.setFamily(family.isEmpty() ? QGuiApplication::font().family() : family);
    base.setPixelSize(QLocale::system().name() == "ja_JP" ? japanesePixelSize : pixelSize);
    return base;
}
