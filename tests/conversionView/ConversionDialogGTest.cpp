#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTranslator>

#include <gtest/gtest.h>

#include "ConversionDialog.h"
#include "ConversionFixtures.h"
#include "ConversionQueue.h"
#include "ConvertTestMedia.h"
#include "EncodeManager.h"
#include "EventWait.h"
#include "FontStyle.h"
#include "RavlixPlayer.h"
#include "RecordingFiles.h"
#include "TestEnv.h"

using namespace ConversionFixtures;

namespace {

QString dataLocation() { return QStandardPaths::writableLocation(QStandardPaths::DataLocation); }

// One real conversion of a short recording, kept for the save tests.
class ConversionDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        isolateTemp();
        FontStyle::init();
        player = RavlixPlayer::newPlayer(nullptr);
    }
    static void TearDownTestSuite() { RavlixPlayer::deletePlayer(player); }
    void SetUp() override {
        dialog = std::make_unique<ConversionDialog>(nullptr, &conversions);
        dialog->resize(1280, 720);
        QObject::connect(dialog.get(), &ConversionDialog::sigCancel,
                         [this] { script.events << "cancel"; });
    }
    template <typename T>
    T* child(const char* name) {
        return dialog->findChild<T*>(name);
    }
    int page() { return child<QStackedWidget>("stackedWidget")->currentIndex(); }

    // Plays `path`, presses START and waits for page SAVE or the dialog's end.
    void convert(const QString& path) {
        player->open(path);
        child<QPushButton>("btnStart")->click();
        EXPECT_EQ(page(), 1);
        EventWait::waitFor([this] { return page() == 2 || script.events.contains("cancel"); },
                           120000);
    }
    // A finished conversion without running one: `bytes` as the converted file.
    void finishedWith(const QByteArray& bytes) {
        player->open(makeRecording("Trip_0001.MOV", 1));
        QFile file(ConversionQueue::temporaryTarget());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        dialog->onVideoGenerationFinished(ConversionQueue::temporaryTarget());
    }

    static RavlixPlayer* player;
    DialogScript script;
    ConversionQueue conversions;
    std::unique_ptr<ConversionDialog> dialog;
};

RavlixPlayer* ConversionDialogTest::player = nullptr;

}  // namespace

TEST_F(ConversionDialogTest, ProgressGivesBarWidthAndPercent) {
    const struct {
        float progress;
        int width;
        const char* text;
    } cases[] = {{0.0f, 10, "0%"}, {0.5f, 210, "50%"}, {0.999f, 409, "99%"}, {1.0f, 410, "100%"}};
    for (const auto& c : cases) {
        dialog->onVideoGenProgressUpdate(c.progress, 0, 0, 1);
        EXPECT_EQ(child<QLabel>("lblProgress")->width(), c.width) << c.progress;
        EXPECT_EQ(child<QLabel>("lblProgress")->height(), 46);
        EXPECT_EQ(child<QLabel>("lblProgressText")->text(), c.text);
    }
}

TEST_F(ConversionDialogTest, PanelCentredAndCloseButtonOnIt) {
    dialog->show();
    EventWait::settle(50);
    QWidget* panel = child<QWidget>("widget");
    EXPECT_EQ(panel->geometry(), QRect(415, 235, 450, 250));
    EXPECT_TRUE(panel->geometry().contains(child<QPushButton>("btnCancel")->geometry()));
    EXPECT_EQ(child<QWidget>("bgView")->geometry(), dialog->rect());
    EXPECT_TRUE(child<QPushButton>("btn2160")->isChecked());
    // The checked size shows its red picture, the others white: look at the button row.
    const QImage shot = dialog->grab().toImage();
    auto redPixels = [&](const char* name) {
        const QRect r = child<QPushButton>(name)->geometry().translated(
            child<QWidget>("widget_3")->mapTo(dialog.get(), QPoint(0, 0)));
        int red = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 60;
            }
        return red;
    };
    EXPECT_GT(redPixels("btn2160"), 300);
    EXPECT_EQ(redPixels("btn2880"), 0);
}

TEST_F(ConversionDialogTest, OnlyTheSmallestSizeAllowedConvertsAtIt) {
    EncodeManager::instance()->disableSize(2880);
    EncodeManager::instance()->disableSize(3840);
    dialog = std::make_unique<ConversionDialog>(nullptr, &conversions);
    QObject::connect(dialog.get(), &ConversionDialog::sigCancel,
                     [this] { script.events << "cancel"; });
    EXPECT_TRUE(child<QPushButton>("btn2160")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("btn2880")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("btn3840")->isEnabled());
    convert(makeRecording("Trip_0001.MOV", 1));
    ASSERT_EQ(page(), 2) << script.events.join(",").toStdString();
    EXPECT_EQ(ConvertTestMedia::probe(ConversionQueue::temporaryTarget(), "stream=width,height"),
              "2160\n1080");
    EXPECT_EQ(child<QLabel>("lblProgressText")->text(), "99%");
}

TEST_F(ConversionDialogTest, FailureWarnsThenCancels) {
    const std::string junk = TestEnv::makeDir("junk") + "/Broken.MOV";
    ASSERT_TRUE(recording::writeRandom(junk, 20000, 3));
    convert(QString::fromStdString(junk));
    EXPECT_EQ(script.events, (QStringList{"message:Conversion fail!", "cancel"}));
    EXPECT_EQ(script.requests.first().icon, QMessageBox::Warning);
    EXPECT_TRUE(script.requests.first().title.isEmpty());
}

TEST_F(ConversionDialogTest, FailureWarnsInTheUsersLanguage) {
    QTranslator japanese;
    ASSERT_TRUE(japanese.load(RV_LANGUAGES_DIR "Ravlix360Player_ja_JP.qm"));
    QCoreApplication::installTranslator(&japanese);
    dialog->onVideoGenerationFailed(-12);
    QCoreApplication::removeTranslator(&japanese);
    EXPECT_EQ(script.events.join(",").toStdString(), "message:変換に失敗しました。,cancel");
}

TEST_F(ConversionDialogTest, CancelledSaveKeepsPageAndFile) {
    finishedWith("converted");
    EXPECT_EQ(page(), 2);
    dialog->saveVideo();
    EXPECT_EQ(page(), 2);
    EXPECT_TRUE(QFile::exists(ConversionQueue::temporaryTarget()));
    EXPECT_FALSE(script.events.contains("cancel"));
    ASSERT_EQ(script.requests.size(), 1);
    EXPECT_EQ(script.requests[0].title, "Save to file");
    EXPECT_EQ(script.requests[0].filter, "360 Video (*.mp4)");
}

TEST_F(ConversionDialogTest, SuggestedNameFromExportFolderOrDocuments) {
    const QString exportDir = QString::fromStdString(TestEnv::makeDir("exports"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    for (const QString& stored : {QString(), exportDir}) {
        QSettings(dataLocation() + "/setting.ini", QSettings::IniFormat)
            .setValue("EXPORT_DIR_PATH", stored);
        script.requests.clear();
        finishedWith("converted");
        dialog->saveVideo();
        ASSERT_EQ(script.requests.size(), 1);
        EXPECT_EQ(script.requests[0].dir,
                  (stored.isEmpty() ? documents : stored) + "/Trip_0001_export");
    }
    QSettings(dataLocation() + "/setting.ini", QSettings::IniFormat).remove("EXPORT_DIR_PATH");
}

TEST_F(ConversionDialogTest, SaveAddsSuffixReplacesAndASecondSaveChangesNothing) {
    const QString dir = QString::fromStdString(TestEnv::makeDir("saved"));
    ASSERT_TRUE(recording::writeFile((dir + "/clip.mp4").toStdString(), "older"));
    finishedWith("converted");
    script.savePaths = QStringList{dir + "/clip", dir + "/clip.mp4"};
    dialog->saveVideo();
    EXPECT_EQ(ConvertTestMedia::readAll(dir + "/clip.mp4"), "converted");
    EXPECT_FALSE(QFile::exists(dir + "/clip"));
    EXPECT_FALSE(QFile::exists(ConversionQueue::temporaryTarget()));
    EXPECT_EQ(script.events.last(), "cancel");
    // A second press before the overlay is gone neither asks nor touches the saved file.
    dialog->saveVideo();
    EXPECT_EQ(script.requests.size(), 1);
    EXPECT_EQ(ConvertTestMedia::readAll(dir + "/clip.mp4"), "converted");
}

TEST_F(ConversionDialogTest, FailedCopyOrTheTemporaryFileItselfKeepTheConvertedFile) {
    const std::string dir = TestEnv::makeDir("blocked");
    ASSERT_TRUE(recording::writeFile(dir + "/file", "x"));
    const QString unwritable = QString::fromStdString(dir + "/file/out.mp4");
    const struct {
        QString target;
        QStringList events;
    } cases[] = {{unwritable, {"save:", "message:Save to file failed!"}},
                 {ConversionQueue::temporaryTarget(), {"save:"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        script.events.clear();
        finishedWith("converted");
        script.savePaths = QStringList{c.target};
        dialog->saveVideo();
        QStringList events = script.events;
        events[0] = "save:";
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(page(), 2);
        EXPECT_EQ(ConvertTestMedia::readAll(ConversionQueue::temporaryTarget()), "converted");
    }
}

TEST_F(ConversionDialogTest, ClosingDuringTheConversionCancelsTheJob) {
    QFile::remove(ConversionQueue::temporaryTarget());
    player->open(makeRecording("Trip_0005.MOV", 5));
    child<QPushButton>("btnStart")->click();
    QDir shared(QDir::tempPath());
    const auto pureVideos = [&] {
        int found = 0;
        for (const QString& job : shared.entryList({"UQO Studio-*"}, QDir::Dirs))
            found += QFile::exists(shared.filePath(job + "/pureVideo.mp4"));
        return found;
    };
    ASSERT_TRUE(EventWait::waitFor(
        [this] { return child<QLabel>("lblProgressText")->text() != "0%"; }, 60000));
    ASSERT_EQ(pureVideos(), 1);
    dialog.reset();
    // The job ends (its private folder goes) without writing the target.
    EXPECT_TRUE(EventWait::waitFor(
        [&] { return shared.entryList({"UQO Studio-*"}, QDir::Dirs).isEmpty(); }, 120000));
    EventWait::settle(200);
    EXPECT_FALSE(QFile::exists(ConversionQueue::temporaryTarget()));
}

TEST_F(ConversionDialogTest, ANewJobWaitsForTheJobOfAClosedOverlay) {
    // Closed once every frame is handed out, the first job stops; the next one waits for it.
    player->open(makeRecording("Trip_0002.MOV", 2));
    child<QPushButton>("btnStart")->click();
    ASSERT_TRUE(EventWait::waitFor(
        [this] { return child<QLabel>("lblProgressText")->text().chopped(1).toInt() >= 96; },
        60000));
    dialog = std::make_unique<ConversionDialog>(nullptr, &conversions);
    QObject::connect(dialog.get(), &ConversionDialog::sigCancel,
                     [this] { script.events << "cancel"; });
    convert(makeRecording("Trip_0001.MOV", 1));
    ASSERT_EQ(page(), 2) << script.events.join(",").toStdString();
    EXPECT_EQ(ConvertTestMedia::probe(ConversionQueue::temporaryTarget(), "stream=nb_frames"),
              "27");
}
