// Font set-up: the embedded fonts register, and the family follows the system
// locale. The program runs once per locale (see CMakeLists.txt); the expected
// kind comes as the environment variable RV_EXPECT_FONT ("ja" or "en").
#include <cstdlib>

#include <gtest/gtest.h>
#include <QFontDatabase>
#include <QLocale>

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

}  // namespace
