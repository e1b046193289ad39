// The translators the program installs for each system locale, from its built languages folder.
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTranslator>
#include <QXmlStreamReader>

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

// Context and source text of each message of a .ts file, with its translation ("" when
// unfinished or empty).
QMap<QString, QString> messagesOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QMap<QString, QString> messages;
    QString context, source;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
            const QString text = xml.readElementText();
            messages[context + " / " + source] = unfinished ? QString() : text;
        }
    }
    return messages;
}

// Every translatable text of the sources has a finished Japanese translation.
TEST(JapaneseTranslation, CoversEveryTextOfTheSources) {
    const QString extracted = QString::fromStdString(TestEnv::makeDir("ts")) + "/sources.ts";
    QProcess lupdate;
    lupdate.setWorkingDirectory(RV_SOURCE_DIR);
    lupdate.start(RV_LUPDATE,
                  {"-no-obsolete", "-locations", "none", "app", "src", "-ts", extracted});
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    const QMap<QString, QString> sources = messagesOf(extracted);
    const QMap<QString, QString> japanese =
        messagesOf(QString(RV_SOURCE_DIR) + "/app/languages/Ravlix360Player_ja_JP.ts");
    ASSERT_GT(sources.size(), 50);
    for (const QString& key : sources.keys()) {
        EXPECT_TRUE(japanese.contains(key)) << "missing: " << key.toStdString();
        EXPECT_FALSE(japanese.value(key).isEmpty()) << "unfinished: " << key.toStdString();
    }
}

}  // namespace
