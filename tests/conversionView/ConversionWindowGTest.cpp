#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include "ConversionDialog.h"
#include "ConversionFixtures.h"
#include "ConversionQueue.h"
#include "ConvertTestMedia.h"
#include "EncodeManager.h"
#include "EventWait.h"
#include "FileListItemView.h"
#include "FileListView.h"
#include "FontStyle.h"
#include "MainWindow.h"
#include "RavlixPlayer.h"
#include "RecordingFiles.h"
#include "TestEnv.h"
#include "ThreadWatch.h"

using namespace ConversionFixtures;

namespace {

const char* const kRefusal =
    "This computer can't support the min 2160x1080 resolution 360 video format conversion.";

// The main window over a card folder with two recordings of 2 s, playing the first row.
class ConversionWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        isolateTemp();
        QCoreApplication::setApplicationName("QUENDRA TRELLIQ");
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        FontStyle::init();
        const QString clip = makeRecording("Drive.MOV", 2);
        ASSERT_FALSE(clip.isEmpty());
        ASSERT_FALSE(makeRecording("Return.MOV", 2).isEmpty());
        const QString data = QStandardPaths::writableLocation(QStandardPaths::DataLocation);
        QDir().mkpath(data);
        QSettings(data + "/setting.ini", QSettings::IniFormat)
            .setValue("LAST_DIR_PATH", QFileInfo(clip).absolutePath());
    }
    void openWindow() {
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(EventWait::waitFor(
            [this] { return !window->findChildren<FileListItemView*>().isEmpty(); }, 30000));
        QTest::mouseClick(window->findChildren<FileListItemView*>().first(), Qt::LeftButton);
        ASSERT_TRUE(EventWait::waitFor(
            [] { return !RavlixPlayer::currentPlayer()->getFilePath().isEmpty(); }, 30000));
        ASSERT_TRUE(EventWait::waitFor([] { return EncodeManager::instance()->isDone(); }, 60000));
    }
    void pressSave() {
        QPushButton* save = window->findChild<FileListView*>()->findChild<QPushButton*>("btnSave");
        ASSERT_TRUE(EventWait::waitFor([save] { return save->isEnabled(); }, 30000));
        save->click();
        EventWait::settle(50);
    }
    template <typename T>
    static T* child(QWidget* parent, const char* name) {
        return parent->findChild<T*>(name);
    }

    DialogScript script;
    std::unique_ptr<MainWindow> window;
};

// The files under the folders a job may write in: the temporary and runtime folders, the
// program's cache and data locations, but for the profile of the map's web engine.
QStringList filesWhereJobsWrite() {
    QStringList files;
    for (const QString& folder :
         {QDir::tempPath(), QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")),
          QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
          QStandardPaths::writableLocation(QStandardPaths::DataLocation)}) {
        QDirIterator all(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString file = all.next();
            if (!file.contains("/QtWebEngine/")) files << file;
        }
    }
    return files;
}

bool hasRedPixels(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 60 && c.blue() < 60) return true;
        }
    return false;
}

}  // namespace

TEST_F(ConversionWindowTest, ConvertsThePlayingRecordingAndSavesA360Video) {
    ASSERT_NO_FATAL_FAILURE(openWindow());
    ASSERT_NO_FATAL_FAILURE(pressSave());
    ConversionDialog* dialog = window->findChild<ConversionDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->geometry(), window->rect());
    // The panel sits in the middle of the window; the corners show the dimmed window.
    const QImage shot = window->grab().toImage();
    const QRect panel(window->width() / 2 - 225, window->height() / 2 - 125, 450, 250);
    EXPECT_TRUE(hasRedPixels(shot, panel.adjusted(0, 46, 0, -60)));  // checked 2160x1080
    EXPECT_FALSE(hasRedPixels(shot, QRect(0, 0, 200, 100)));

    child<QPushButton>(dialog, "btn2160")->click();
    child<QPushButton>(dialog, "btnStart")->click();
    auto* pages = child<QStackedWidget>(dialog, "stackedWidget");
    ASSERT_TRUE(EventWait::waitFor([&] { return pages->currentIndex() == 2; }, 120000))
        << script.events.join(",").toStdString();
    EXPECT_FALSE(child<QPushButton>(dialog, "btn2880")->isEnabled());

    const QString saved = QString::fromStdString(TestEnv::makeDir("out")) + "/Drive_360";
    script.savePaths = QStringList{saved};
    QPointer<ConversionDialog> watch(dialog);
    child<QPushButton>(dialog, "btnSave")->click();
    // deleteLater() of the overlay, which the test's event loop does not reach by itself.
    EXPECT_TRUE(EventWait::waitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return watch.isNull();
        },
        5000));
    const QString base = QFileInfo(RavlixPlayer::currentPlayer()->getFilePath()).baseName();
    EXPECT_TRUE(script.events.first().endsWith("/" + base + "_export"));

    const QString file = saved + ".mp4";
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(ConversionQueue::temporaryTarget()));
    EXPECT_EQ(ConvertTestMedia::probe(file, "stream=codec_name,width,height,r_frame_rate"),
              "h264\n2160\n1080\n27/1");
    const QString streams = QString::fromUtf8(ConvertTestMedia::run(
        "ffprobe", {"-v", "error", "-show_streams", "-of", "default=nw=1", file}));
    EXPECT_TRUE(streams.contains("side_data_type=Spherical Mapping")) << streams.toStdString();
    EXPECT_TRUE(streams.contains("projection=equirectangular"));
    EXPECT_TRUE(streams.contains("codec_type=audio"));
    // Two seconds of the recording at 27 frames a second.
    EXPECT_EQ(ConvertTestMedia::probe(file, "stream=nb_frames"), "54");
}

TEST_F(ConversionWindowTest, SecondSaveReplacesTheOverlayWhichFollowsTheWindow) {
    ASSERT_NO_FATAL_FAILURE(openWindow());
    QMetaObject::invokeMethod(window.get(), "showConversionDlg");
    QPointer<ConversionDialog> first = window->findChild<ConversionDialog*>();
    QMetaObject::invokeMethod(window.get(), "showConversionDlg");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    ASSERT_EQ(window->findChildren<ConversionDialog*>().size(), 1);
    ConversionDialog* dialog = window->findChild<ConversionDialog*>();
    window->resize(1500, 900);
    EventWait::settle(100);
    EXPECT_EQ(dialog->geometry(), QRect(0, 0, window->width(), window->height()));
    // Down does not step the recordings while the overlay is open.
    const QString playing = RavlixPlayer::currentPlayer()->getFilePath();
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    EventWait::settle(100);
    EXPECT_EQ(RavlixPlayer::currentPlayer()->getFilePath(), playing);
    child<QPushButton>(dialog, "btnCancel")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->findChild<ConversionDialog*>());
}

// The program ends by deleting its window once the event loop has ended: no event is handled
// after that, so the window itself must end a conversion under way.
TEST_F(ConversionWindowTest, QuittingDuringAConversionJoinsItsThreadsAndLeavesNoFile) {
    ASSERT_NO_FATAL_FAILURE(openWindow());
    ASSERT_NO_FATAL_FAILURE(pressSave());
    ConversionDialog* dialog = window->findChild<ConversionDialog*>();
    ASSERT_TRUE(dialog);
    const QStringList before = filesWhereJobsWrite();
    ThreadWatch watch;
    child<QPushButton>(dialog, "btnStart")->click();
    auto* percent = child<QLabel>(dialog, "lblProgressText");
    ASSERT_TRUE(EventWait::waitFor([&] { return percent->text() != "0%"; }, 60000));
    ASSERT_TRUE(watch.running().contains("V360DispatchThread")) << "the job runs";
    QElapsedTimer clock;
    clock.start();
    window.reset();
    const qint64 quitMs = clock.elapsed();
    // For runs under load, read from the XML report ("quitMs").
    RecordProperty("quitMs", static_cast<int>(quitMs));
    EXPECT_LT(quitMs, 1000);
    EXPECT_EQ(watch.running().join(",").toStdString(), "");
    EXPECT_TRUE(watch.waitUntilGone(5000));
    QStringList added;
    for (const QString& file : filesWhereJobsWrite())
        if (!before.contains(file)) added << file;
    EXPECT_EQ(added.join('\n').toStdString(), "");
}

TEST_F(ConversionWindowTest, RefusesWhenTheSampleCannotBeEncoded) {
    // Before the probe exists: it keeps the junk instead of the embedded clip.
    ASSERT_TRUE(recording::writeRandom(EncodeManager::defaultSamplePath().toStdString(), 4000, 9));
    ASSERT_NO_FATAL_FAILURE(openWindow());
    EncodeManager* probe = EncodeManager::instance();
    EXPECT_FALSE(probe->getIs2160x1080Enable());
    EXPECT_FALSE(probe->getIs2880x1440Enable());
    EXPECT_FALSE(probe->getIs3840x1920Enable());
    ASSERT_NO_FATAL_FAILURE(pressSave());
    EXPECT_EQ(script.events, QStringList{QString("message:") + kRefusal});
    ASSERT_EQ(script.requests.size(), 1);
    EXPECT_EQ(script.requests.first().widget, nullptr);
    EXPECT_TRUE(script.requests.first().title.isEmpty());
    EXPECT_FALSE(window->findChild<ConversionDialog*>());
}
