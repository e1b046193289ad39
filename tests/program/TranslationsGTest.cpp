// The translators the program installs for each system locale, from its built languages folder.
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTranslator>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "Translations.h"

namespace {

const QString kFolder = RV_LANGUAGES_DIR;

class TranslationsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (auto& t : translators)
            if (t) QCoreApplication::removeTranslator(t.get());
    }
    QStringList install(const QString& folder, const QString& locale) {
        return Translations::install(folder, locale, translators);
    }
    std::unique_ptr<QTranslator> translators[3];
};

TEST_F(TranslationsTest, EachLocaleGetsItsFilesInOrder) {
    const struct {
        const char* locale;
        QStringList files;
        const char* version;  // "Version : " as the About overlay shows it
    } cases[] = {
        {"ja_JP", {"qt_ja_JP.qm", "qtbase_ja_JP.qm", "Ravlix360Player_ja_JP.qm"}, "バージョン : "},
        // Qt's English catalogues hold no messages and do not load.
        {"en_US", {"Ravlix360Player_en_US.qm"}, "Version : "},
        // No files of its own: Qt's are skipped, the program falls back to English.
        {"fr_FR", {"Ravlix360Player_en_US.qm"}, "Version : "},
    };
    for (const auto& c : cases) {
        QStringList expected;
        for (const QString& f : c.files) expected << kFolder + f;
        EXPECT_EQ(install(kFolder, c.locale).join(" ").toStdString(),
                  expected.join(" ").toStdString());
        EXPECT_EQ(QCoreApplication::translate("InformationDialog", "Version : "),
                  QString::fromUtf8(c.version))
            << c.locale;
        if (QByteArray(c.locale) == "ja_JP") {
            EXPECT_NE(QCoreApplication::translate("QFileDialog", "Open"), "Open")
                << "Qt's own texts are translated too";
        }
        TearDown();
    }
}

TEST_F(TranslationsTest, UnreadableFilesAreLeftUninstalled) {
    const QString folder = QString::fromStdString(TestEnv::makeDir("languages")) + "/";
    for (const char* name : {"qt_ja_JP.qm", "qtbase_ja_JP.qm", "Ravlix360Player_ja_JP.qm"}) {
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a translation");
    }
    QFile::copy(kFolder + "Ravlix360Player_en_US.qm", folder + "Ravlix360Player_en_US.qm");
    EXPECT_TRUE(install(folder, "ja_JP").isEmpty()) << "a broken file of the locale is no fallback";
    EXPECT_EQ(QCoreApplication::translate("InformationDialog", "Version : "), "Version : ");
    EXPECT_TRUE(install(folder + "missing/", "ja_JP").isEmpty());
}

}  // namespace
