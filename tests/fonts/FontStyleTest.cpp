// Font set-up: the embedded fonts register, and the views draw in the face of the system
// locale. The program runs once per locale (see CMakeLists.txt); the expected kind comes as the
// environment variable RV_EXPECT_FONT ("ja" or "en").
#include <cstdlib>

#include <gtest/gtest.h>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QRawFont>

#include "FontStyle.h"

namespace {

const char* const kJapaneseFace = ":/font/Hiragino Kaku Gothic Pro W6.otf";
const char* const kWesternFace = ":/font/Frutiger.ttf";
const char* const kOtherWesternFace = ":/font/Calibri Regular.ttf";

QString expectedKind() {
    const char* kind = std::getenv("RV_EXPECT_FONT");
    return kind ? QString(kind) : QString("en");
}

// The advance of `text` at `pixels` in the face stored in `resource`, read from the file itself
// (not through the font database).
double fileAdvance(const char* resource, const QString& text, int pixels) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QRawFont face(file.readAll(), pixels, QFont::PreferNoHinting);
    if (!face.isValid()) return -1;
    double advance = 0;
    const QVector<quint32> glyphs = face.glyphIndexesForString(text);
    for (const QPointF& step : face.advancesForGlyphIndexes(glyphs)) advance += step.x();
    return advance;
}

// The advance of `text` as a view draws it with `font`, no other face filling in (unhinted and
// without kerning, as the file's advances are read).
double drawnAdvance(QFont font, const QString& text) {
    font.setStyleStrategy(QFont::NoFontMerging);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return QFontMetricsF(font).horizontalAdvance(text);
}

// The texts the views show: file names, times, dates, numbers, captions.
const QString kLatin = "REC_20261210_093000.MOV 00:12 2026/12/11 15:15 Version";

TEST(FontStyle, BeforeInitNoFamilyIsGiven) { EXPECT_TRUE(FontStyle::getFontFamily().isEmpty()); }

// Each kept family draws with the widths of its own embedded file.
TEST(FontStyle, KeptFamiliesDrawTheirEmbeddedFaces) {
    FontStyle::init();
    const struct {
        const QString& family;
        const char* file;
    } cases[] = {{FontStyle::jaFont, kJapaneseFace},
                 {FontStyle::macEnFont, kWesternFace},
                 {FontStyle::winEnFont, kOtherWesternFace}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFont font(c.family);
        font.setPixelSize(20);
        EXPECT_NEAR(drawnAdvance(font, kLatin), fileAdvance(c.file, kLatin, 20), 0.5);
    }
}

// A view's font (FontStyle::font) draws in the locale's face at the locale's size: Japanese
// text and Latin text alike.
TEST(FontStyle, ViewsDrawInTheLocalesFace) {
    FontStyle::init();
    const bool japanese = expectedKind() == "ja";
    const QFont font = FontStyle::font(QFont(), 16, 13);
    const int pixels = japanese ? 13 : 16;
    EXPECT_EQ(font.pixelSize(), pixels) << QLocale::system().name().toStdString();
    const char* face = japanese ? kJapaneseFace : kWesternFace;
    EXPECT_NEAR(drawnAdvance(font, kLatin), fileAdvance(face, kLatin, pixels), 0.5);
    if (japanese) {
        const QString text = QString::fromUtf8("日本語のファイル名");
        EXPECT_NEAR(drawnAdvance(font, text), fileAdvance(face, text, pixels), 0.5);
    }
}

// Latin text in the Japanese face is proportional, as in the western face: a narrow letter
// takes far less room than a wide one, and a line of mixed text about as much as in the
// western face.
TEST(FontStyle, JapaneseFaceDrawsLatinProportionally) {
    FontStyle::init();
    QFont japanese(FontStyle::jaFont);
    japanese.setPixelSize(20);
    EXPECT_LT(drawnAdvance(japanese, "iiiiiiiiii"), 0.5 * drawnAdvance(japanese, "MMMMMMMMMM"));
    QFont western(FontStyle::macEnFont);
    western.setPixelSize(20);
    const double ratio = drawnAdvance(japanese, kLatin) / drawnAdvance(western, kLatin);
    EXPECT_GT(ratio, 0.85);
    EXPECT_LT(ratio, 1.15);
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
        const QImage one = drawn(c.family, c.text), two = drawn(c.family, c.other);
        EXPECT_GT(inked(one), 200);
        EXPECT_GT(inked(two), 200);
        EXPECT_NE(one, two);
    }
}

}  // namespace
