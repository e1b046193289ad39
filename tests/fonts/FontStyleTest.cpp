// Font set-up: the embedded fonts register, and the family follows the system
// locale. The program runs once per locale (see CMakeLists.txt); the expected
// kind comes as the environment variable RV_EXPECT_FONT ("ja" or "en").
#include <cstdlib>

#include <gtest/gtest.h>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>

#include "FontStyle.h"

namespace {

QString expectedKind() {
    const char* kind = std::getenv("RV_EXPECT_FONT");
    return kind ? QString(kind) : QString("en");
}

TEST(FontStyle, EmptyBeforeInitThenFamiliesFromTheDatabase) {
    EXPECT_TRUE(FontStyle::getFontFamily().isEmpty());
    FontStyle::init();
    EXPECT_FALSE(FontStyle::jaFont.isEmpty());
    EXPECT_FALSE(FontStyle::macEnFont.isEmpty());
    EXPECT_FALSE(FontStyle::winEnFont.isEmpty());
    EXPECT_NE(FontStyle::jaFont, FontStyle::macEnFont);
    EXPECT_NE(FontStyle::macEnFont, FontStyle::winEnFont);
    const QStringList families = QFontDatabase().families();
    EXPECT_TRUE(families.contains(FontStyle::jaFont));
    EXPECT_TRUE(families.contains(FontStyle::macEnFont));
}

TEST(FontStyle, FamilyFollowsTheLocale) {
    FontStyle::init();
    const QString expected = expectedKind() == "ja" ? FontStyle::jaFont : FontStyle::macEnFont;
    EXPECT_EQ(FontStyle::getFontFamily(), expected) << QLocale::system().name().toStdString();
}

TEST(FontStyle, JapaneseFamilyDrawsJapanese) {
    FontStyle::init();
    EXPECT_TRUE(
        QFontDatabase().writingSystems(FontStyle::jaFont).contains(QFontDatabase::Japanese));
}

// `text` drawn black on white at 40 pixels with `family`.
QImage drawn(const QString& family, const QString& text) {
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QFont font(family);
    font.setPixelSize(40);
    font.setStyleStrategy(QFont::NoFontMerging);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

int inked(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qGray(image.pixel(x, y)) < 128;
    return n;
}

// Each embedded family draws its own glyphs: ink for every text, and different shapes for
// different characters (a missing glyph would draw the same box for both).
TEST(FontStyle, EmbeddedFamiliesDrawTheirGlyphs) {
    FontStyle::init();
    const struct {
        QString family, text, other;
    } cases[] = {{FontStyle::jaFont, QString::fromUtf8("日本語"), QString::fromUtf8("動画再")},
                 {FontStyle::jaFont, QString::fromUtf8("かなカナ"), QString::fromUtf8("ひらがな")},
                 {FontStyle::macEnFont, "Ravlix", "QUENDR"},
                 {FontStyle::winEnFont, "Ravlix", "QUENDR"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family.toStdString() + " " + c.text.toStdString());
        QFont font(c.family);
        EXPECT_EQ(QFontInfo(font).family(), c.family);
        const QImage one = drawn(c.family, c.text), two = drawn(c.family, c.other);
        EXPECT_GT(inked(one), 200);
        EXPECT_GT(inked(two), 200);
        EXPECT_NE(one, two);
    }
}

}  // namespace
