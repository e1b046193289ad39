// The upload dialog with the real manager, conversion and a recording HTTP server of the
// test's own on 127.0.0.1: the page flow, the progress bar's widths and texts, the privacy
// buttons, the output size preference, the failure texts and the save of the converted file.
// Message boxes and file choosers are answered through the dialog hook.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>

#include "ConversionQueue.h"
#include "DialogHook.h"
#include "EncodeManager.h"
#include "EventWait.h"
#include "FFMpegDecoder360G.h"
#include "HttpRecorder.h"
#include "RavlixPlayer.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "UploadDialog.h"
#include "UploadTestSupport.h"
#include "YoutubeUploadManager.h"

using namespace UploadTestSupport;
using EventWait::waitFor;

namespace {

const bool sandboxOff = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

struct Shared {
    HttpRecorder server;
    RavlixPlayer* player = nullptr;
    QString recording;
    YoutubeUploadManager* manager = nullptr;
};

Shared& shared() {
    static Shared* s = new Shared;
    return *s;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

template <typename T>
T* child(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(name);
    EXPECT_NE(nullptr, found) << name;
    return found;
}

class UploadDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Shared& s = shared();
        s.server.setResponder([](const HttpRecorder::Request& request) {
            HttpRecorder::Reply reply;
            if (request.url.path().startsWith("/googleLogin/")) {
                reply.contentType = "text/html";
                reply.body = relayPage("/loginSuccess.php?id=UC-dash-cam&name=N&token=t");
            } else if (request.method == "POST") {
                reply.body = R"({"id":"vid9"})";
            }
            return reply;
        });
        pointServiceAt(s.server);
        s.recording = QString::fromStdString(TestEnv::makeDir("card")) + "/FILE0042.MOV";
        recording::ClipOptions clip;
        clip.seconds = 1;
        std::string error;
        ASSERT_TRUE(recording::writeRecording(s.recording.toStdString(), clip, &error)) << error;
        s.player = RavlixPlayer::newPlayer(nullptr);
        s.manager = YoutubeUploadManager::instance();
        ASSERT_TRUE(waitFor([&] { return s.manager->getIsLogin(); }, 20000));
    }

    void SetUp() override {
        shared().player->open(shared().recording);
        shared().manager->loginSuccess("UC-dash-cam", "N", "t");
        shared().server.clear();
        messages.clear();
        DialogHook::setAnswerer([this](const DialogHook::Request& request) {
            DialogHook::Answer answer;
            if (request.kind == DialogHook::Message) {
                messages << request.text;
                answer.result = QMessageBox::Ok;
            } else if (request.kind == DialogHook::SaveFile) {
                suggested << request.dir;
                answer.path = saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
            } else {
                ++dialogs;
            }
            return answer;
        });
    }

    void TearDown() override { DialogHook::setAnswerer(nullptr); }

    // A dialog on page 1, as it is 100 ms after opening while signed in.
    std::unique_ptr<UploadDialog> openSignedIn() {
        auto dialog = std::make_unique<UploadDialog>(&conversions);
        dialog->resize(1280, 720);
        dialog->show();
        EXPECT_TRUE(waitFor([&] { return page(dialog.get()) == 1; }, 2000));
        return dialog;
    }

    static int page(QWidget* dialog) {
        return child<QStackedWidget>(dialog, "stackedWidget")->currentIndex();
    }

    static bool inputsEnabled(QWidget* dialog) {
        return child<QWidget>(dialog, "leTitle")->isEnabled() &&
               child<QWidget>(dialog, "btnPublic")->isEnabled() &&
               child<QWidget>(dialog, "btnUnlisted")->isEnabled() &&
               child<QWidget>(dialog, "btnPrivate")->isEnabled();
    }

    ConversionQueue conversions;
    QStringList messages;
    QStringList suggested;
    QStringList saveAnswers;
    int dialogs = 0;
};

TEST_F(UploadDialogTest, OpenedSignedInShowsStartAfterADelay) {
    QElapsedTimer clock;
    clock.start();
    UploadDialog dialog(&conversions);
    dialog.resize(1280, 720);
    dialog.show();
    EXPECT_EQ(0, page(&dialog));
    EXPECT_FALSE(child<QWidget>(&dialog, "leTitle")->isEnabled());
    EXPECT_FALSE(child<QWidget>(&dialog, "btnPrivate")->isEnabled());
    EXPECT_FALSE(child<QWidget>(&dialog, "switchWidget")->isVisible());
    EXPECT_FALSE(child<QWidget>(&dialog, "saveWidget")->isVisible());
    EventWait::settle(40);
    if (clock.elapsed() < 90) {
        EXPECT_EQ(0, page(&dialog)) << "the sign-in shows after 100 ms";
    }
    ASSERT_TRUE(waitFor([&] { return page(&dialog) == 1; }, 1000));
    EXPECT_EQ("UC-dash-cam", child<QLabel>(&dialog, "lblAccount")->text().toStdString());
    EXPECT_EQ("FILE0042", child<QLineEdit>(&dialog, "leTitle")->text().toStdString());
    EXPECT_TRUE(inputsEnabled(&dialog));
    EXPECT_TRUE(child<QWidget>(&dialog, "switchWidget")->isVisible());
    EXPECT_TRUE(child<QAbstractButton>(&dialog, "btnPublic")->isChecked());
}

TEST_F(UploadDialogTest, OverlayLayoutAndPicture) {
    auto dialog = openSignedIn();
    QWidget* panel = child<QWidget>(dialog.get(), "widget");
    EXPECT_EQ(QRect(415, 235, 450, 250), panel->geometry());
    EXPECT_EQ(QPoint(849, 219), child<QWidget>(dialog.get(), "btnCancel")->pos());
    EXPECT_EQ(QRect(0, 0, 1280, 720), child<QWidget>(dialog.get(), "bgView")->geometry());

    const QImage shot = panel->grab().toImage();
    const struct {
        QPoint at;
        QColor colour;
        const char* what;
    } regions[] = {
        {{20, 23}, QColor(26, 26, 26), "title bar"},
        {{440, 120}, QColor(50, 50, 50), "body"},
        {{5, 215}, QColor(65, 65, 65), "bottom"},
        {{40, 219}, QColor(209, 0, 0), "START button"},
    };
    for (const auto& region : regions)
        EXPECT_EQ(region.colour.rgb(), QColor(shot.pixel(region.at)).rgb()) << region.what;
    int redTitle = 0;
    for (int x = 100; x < 350; ++x)
        redTitle += qRed(shot.pixel(x, 23)) > 150 && qGreen(shot.pixel(x, 23)) < 60;
    EXPECT_GT(redTitle, 0) << "the caption in red";

    // The privacy buttons keep their full size side by side inside the panel.
    QWidget* previous = nullptr;
    for (const char* name : {"btnPublic", "btnUnlisted", "btnPrivate"}) {
        QWidget* button = child<QWidget>(dialog.get(), name);
        const QRect inPanel(button->mapTo(panel, QPoint(0, 0)), button->size());
        EXPECT_EQ(QSize(110, 30), inPanel.size()) << name;
        EXPECT_TRUE(QRect(0, 0, 450, 250).contains(inPanel)) << name;
        if (previous) {
            EXPECT_GT(inPanel.left(), previous->mapTo(panel, QPoint(0, 0)).x() + 109) << name;
        }
        previous = button;
    }
}

TEST_F(UploadDialogTest, ProgressBarWidthsAndTexts) {
    auto dialog = openSignedIn();
    QLabel* bar = child<QLabel>(dialog.get(), "lblProgress");
    QLabel* text = child<QLabel>(dialog.get(), "lblProgressText");
    const struct {
        float conversion;
        int width;
        const char* text;
    } conversions[] = {
        {0.0f, 10, "0%"}, {0.5f, 170, "40%"}, {0.999f, 329, "79%"}, {1.0f, 330, "80%"}};
    for (const auto& c : conversions) {
        dialog->onVideoGenProgressUpdate(c.conversion, 0.3f, 0, 1);
        EXPECT_EQ(QRect(0, 0, c.width, bar->height()), bar->geometry()) << c.conversion;
        EXPECT_EQ(c.text, text->text().toStdString()) << c.conversion;
    }
    const struct {
        qlonglong sent, total;
        int width;
        const char* text;
    } uploads[] = {
        {0, 100, 330, "80%"}, {50, 100, 370, "90%"}, {1, 3, 356, "86%"}, {100, 100, 410, "100%"}};
    for (const auto& u : uploads) {
        dialog->uploadProgress(u.sent, u.total);
        EXPECT_EQ(u.width, bar->width()) << u.sent;
        EXPECT_EQ(u.text, text->text().toStdString()) << u.sent;
    }
}

TEST_F(UploadDialogTest, LargestAllowedOutputSize) {
    const struct {
        bool allow3840, allow2880;
        QSize size;
    } cases[] = {{true, true, {3840, 1920}},
                 {false, true, {2880, 1440}},
                 {true, false, {3840, 1920}},
                 {false, false, {2160, 1080}}};
    for (const auto& c : cases)
        EXPECT_EQ(c.size, UploadDialog::largestSize(c.allow3840, c.allow2880));
}

// The encoder probe allows only 2160x1080 (its flags never come back).
void allowOnly2160() {
    EncodeManager::instance()->disableSize(3840);
    EncodeManager::instance()->disableSize(2880);
    EXPECT_EQ(QSize(2160, 1080), UploadDialog::outputSize());
}

// START with "Unlisted" on a machine that encodes only 2160x1080: conversion, upload with
// privacy 1, page 3; a sign-in arriving meanwhile changes nothing; then the saves.
TEST_F(UploadDialogTest, ConvertsUploadsAndSaves) {
    allowOnly2160();
    auto dialog = openSignedIn();
    QWidget* d = dialog.get();
    child<QAbstractButton>(d, "btnUnlisted")->click();
    child<QAbstractButton>(d, "btnStart")->click();
    EXPECT_EQ(2, page(d));
    EXPECT_FALSE(child<QWidget>(d, "leTitle")->isEnabled());
    EXPECT_FALSE(child<QWidget>(d, "btnPublic")->isEnabled());
    EXPECT_TRUE(child<QWidget>(d, "btnUnlisted")->isEnabled());
    EXPECT_FALSE(child<QWidget>(d, "btnPrivate")->isEnabled());
    EXPECT_FALSE(child<QWidget>(d, "btnSwitch")->isEnabled());

    shared().manager->silentLoginSuccess("UC-dash-cam", "N", "t");
    EventWait::settle(200);
    EXPECT_EQ(2, page(d)) << "a late sign-in must not reopen START";
    EXPECT_FALSE(child<QWidget>(d, "leTitle")->isEnabled());

    ASSERT_TRUE(waitFor([&] { return page(d) != 2; }, 180000));
    ASSERT_EQ(3, page(d)) << messages.join("|").toStdString();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(410, child<QLabel>(d, "lblProgress")->width());
    EXPECT_EQ("100%", child<QLabel>(d, "lblProgressText")->text().toStdString());
    EXPECT_TRUE(child<QWidget>(d, "saveWidget")->isVisible());
    EXPECT_FALSE(child<QWidget>(d, "switchWidget")->isVisible());

    const QString converted =
        QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/tempExport.mp4";
    FFMpegDecoder360G decoder;
    ASSERT_EQ(0, decoder.initWithFilePath(converted.toUtf8().constData()));
    EXPECT_EQ(2160, decoder.getVideoWidth());
    EXPECT_EQ(1080, decoder.getVideoHeight());
    const QByteArray bytes = readAll(converted);
    const HttpRecorder::Request post = shared().server.requests("/upload").at(0);
    const QList<Part> parts = multipartParts(post.header("content-type"), post.body);
    ASSERT_EQ(1, parts.size());
    EXPECT_TRUE(parts[0].body == bytes);
    ASSERT_TRUE(waitFor([] { return shared().server.requests("/youtube").size() == 1; }, 5000));
    EXPECT_EQ(R"({"id":"vid9","snippet":{"categoryId":22,"title":"FILE0042"},)"
              R"("status":{"privacyStatus":"unlisted"}})",
              shared().server.requests("/youtube").at(0).body.toStdString());

    // A failed save keeps the converted file and the button.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    saveAnswers << "/nonexistent-folder/clip.mp4";
    child<QAbstractButton>(d, "btnSave")->click();
    EXPECT_EQ(QStringList{documents + "/FILE0042_export"}, suggested);
    EXPECT_EQ(QStringList{"Save fail!"}, messages);
    EXPECT_TRUE(QFile::exists(converted));
    EXPECT_TRUE(child<QWidget>(d, "btnSave")->isEnabled());

    // Saving over an existing file replaces it, removes the converted file, ends Save.
    const QString folder = QString::fromStdString(TestEnv::makeDir("exports"));
    QSettings(QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/setting.ini",
              QSettings::IniFormat)
        .setValue("EXPORT_DIR_PATH", folder);
    const QString target = folder + "/drive.mp4";
    QFile old(target);
    old.open(QIODevice::WriteOnly);
    old.write("older copy");
    old.close();
    saveAnswers << target;
    messages.clear();
    child<QAbstractButton>(d, "btnSave")->click();
    EXPECT_EQ(folder + "/FILE0042_export", suggested.last());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(readAll(target) == bytes);
    EXPECT_FALSE(QFile::exists(converted));
    EXPECT_FALSE(QFile::exists(target + ".part"));
    EXPECT_FALSE(child<QWidget>(d, "btnSave")->isEnabled());

    // A second save has nothing to copy: the first copy stays.
    saveAnswers << target;
    dialog->saveClicked();
    EXPECT_EQ(QStringList{"Save fail!"}, messages);
    EXPECT_TRUE(readAll(target) == bytes);
    EXPECT_EQ(folder, QSettings(QStandardPaths::writableLocation(QStandardPaths::DataLocation) +
                                    "/setting.ini",
                                QSettings::IniFormat)
                          .value("EXPORT_DIR_PATH")
                          .toString());
}

TEST_F(UploadDialogTest, FailedConversionAndUploadWarnAndReturnToStart) {
    const QString junk = QString::fromStdString(TestEnv::makeDir("junk")) + "/JUNK.MOV";
    QFile file(junk);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(5000, 'j'));
    file.close();
    shared().player->open(junk);
    auto dialog = openSignedIn();
    QWidget* d = dialog.get();
    child<QAbstractButton>(d, "btnStart")->click();
    ASSERT_TRUE(waitFor([&] { return page(d) != 2; }, 30000));
    EXPECT_EQ(1, page(d));
    EXPECT_EQ(QStringList{"Conversion fail!"}, messages);
    EXPECT_TRUE(inputsEnabled(d));
    EXPECT_TRUE(child<QWidget>(d, "btnSwitch")->isEnabled());
    EXPECT_EQ(0, shared().server.requests("/upload").size());

    child<QAbstractButton>(d, "btnStart")->click();
    ASSERT_TRUE(waitFor([&] { return messages.size() == 2; }, 30000));
    dialog->uploadResult(-200, R"({"error":{}})");
    EXPECT_EQ((QStringList{"Conversion fail!", "Conversion fail!", "Upload to Youtube fail!"}),
              messages);
    EXPECT_EQ(1, page(d));
    EXPECT_TRUE(inputsEnabled(d));
}

TEST_F(UploadDialogTest, FailuresWarnInTheUsersLanguage) {
    auto dialog = openSignedIn();
    QTranslator japanese;
    ASSERT_TRUE(japanese.load(RV_LANGUAGES_DIR "Ravlix360Player_ja_JP.qm"));
    QCoreApplication::installTranslator(&japanese);
    dialog->onVideoGenerationFailed(-12);
    dialog->uploadResult(-200, "{}");
    QCoreApplication::removeTranslator(&japanese);
    EXPECT_EQ(messages.join(",").toStdString(),
              "変換に失敗しました。,YouTubeへのアップロードに失敗しました。");
}

TEST_F(UploadDialogTest, SwitchAccountSignsOutAndOpensTheSignIn) {
    auto dialog = openSignedIn();
    QWidget* d = dialog.get();
    child<QAbstractButton>(d, "btnSwitch")->click();
    EXPECT_EQ(0, page(d));
    EXPECT_EQ("None", child<QLabel>(d, "lblAccount")->text().toStdString());
    EXPECT_FALSE(child<QWidget>(d, "leTitle")->isEnabled());
    EXPECT_FALSE(child<QWidget>(d, "switchWidget")->isVisible());
    EXPECT_FALSE(shared().manager->getIsLogin());
    EXPECT_EQ(1, dialogs);

    shared().manager->loginSuccess("UC-other", "O", "t2");
    EXPECT_EQ(1, page(d));
    EXPECT_EQ("UC-other", child<QLabel>(d, "lblAccount")->text().toStdString());
}

TEST_F(UploadDialogTest, DoneAndCloseAskToBeClosed) {
    auto dialog = openSignedIn();
    int cancels = 0;
    QObject::connect(dialog.get(), &UploadDialog::sigCancel, [&] { ++cancels; });
    child<QAbstractButton>(dialog.get(), "btnDone")->click();
    child<QAbstractButton>(dialog.get(), "btnCancel")->click();
    EXPECT_EQ(2, cancels);
}

}  // namespace

namespace {

TEST_F(UploadDialogTest, ClosingDuringTheConversionCancelsIt) {
    allowOnly2160();
    const QString converted =
        QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/tempExport.mp4";
    QFile::remove(converted);
    auto dialog = openSignedIn();
    int cancels = 0;
    QObject::connect(dialog.get(), &UploadDialog::sigCancel, [&] { ++cancels; });
    child<QAbstractButton>(dialog.get(), "btnStart")->click();
    QLabel* text = child<QLabel>(dialog.get(), "lblProgressText");
    ASSERT_TRUE(waitFor([&] { return text->text() != "0%"; }, 30000));
    child<QAbstractButton>(dialog.get(), "btnCancel")->click();
    EXPECT_EQ(1, cancels);
    dialog.reset();
    // The cancelled job winds down; it reports nothing and writes no file.
    ASSERT_TRUE(waitFor([&] { return conversions.isIdle(); }, 60000));
    EXPECT_FALSE(QFile::exists(converted));
    EXPECT_EQ(0, shared().server.requests("/upload").size());
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
