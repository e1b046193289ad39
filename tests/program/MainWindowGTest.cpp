#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "DialogHook.h"
#include "EventWait.h"
#include "FileDialog.h"
#include "FileListItemView.h"
#include "FileListView.h"
#include "FontStyle.h"
#include "InfoView.h"
#include "InformationDialog.h"
#include "MainWindow.h"
#include "ModeView.h"
#include "PlayerView.h"
#include "RavlixPlayer.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "RequestLog.h"
#include "SignalSpyHooks.h"
#include "TestEnv.h"
#include "ThreadWatch.h"
#include "Translations.h"
#include "WaitingView.h"

namespace {

QStringList connectWarnings;

void recordWarnings(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains("QObject::connect")) connectWarnings << message;
}

// deleteLater() of the overlays, which the test's event loop does not reach by itself.
void settleAndDelete(int ms) {
    EventWait::settle(ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A folder of short recordings with trip data, made once per name.
QString recordingsFolder(const std::string& name, const std::vector<std::string>& files) {
    const std::string made = TestEnv::makeDir(name);
    for (const std::string& file : files) {
        const std::string path = made + "/" + file;
        if (QFile::exists(QString::fromStdString(path))) continue;
        recording::ClipOptions options;
        options.seconds = 1;
        EXPECT_TRUE(recording::writeRecording(path, options));
    }
    return QString::fromStdString(made);
}

// Three short recordings.
QString cardFolder() { return recordingsFolder("card", {"A.MOV", "B.MOV", "C.MOV"}); }

// The card folder remembered as the last folder, so the window lists it at start.
void rememberCardFolder() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::DataLocation);
    QDir().mkpath(data);
    QSettings(data + "/setting.ini", QSettings::IniFormat).setValue("LAST_DIR_PATH", cardFolder());
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QCoreApplication::setApplicationName("QUENDRA TRELLIQ");
        rememberCardFolder();
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        FontStyle::init();
        previous = qInstallMessageHandler(recordWarnings);
        window = std::make_unique<MainWindow>();
        window->show();
        EventWait::settle(200);
    }
    void TearDown() override {
        window.reset();
        DialogHook::setAnswerer(nullptr);
        qInstallMessageHandler(previous);
        EXPECT_TRUE(connectWarnings.isEmpty()) << connectWarnings.join("\n").toStdString();
        connectWarnings.clear();
    }
    InformationDialog* about() { return window->findChild<InformationDialog*>(); }
    FileListView* fileList() { return window->findChild<FileListView*>(); }
    QList<FileListItemView*> rows() { return window->findChildren<FileListItemView*>(); }
    QString shownName() { return window->findChild<QLabel*>("lblFileName")->text(); }
    // Waits for the listing of `count` rows to end its lens-circle search.
    void waitForRows(int count) {
        ASSERT_TRUE(EventWait::waitFor(
            [&] { return !window->findChild<WaitingView*>() && rows().size() == count; }, 15000));
    }
    void listFolder(const QString& folder) {
        QMetaObject::invokeMethod(fileList(), "changeDir", Q_ARG(QString, folder));
    }

    QtMessageHandler previous = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, FormSizesAndTitle) {
    EXPECT_EQ(window->minimumSize(), QSize(1280, 720));
    EXPECT_EQ(window->size(), QSize(1280, 720));
    EXPECT_EQ(window->windowTitle(), "QUENDRA TRELLIQ");
}

TEST_F(MainWindowTest, AboutOverlayCentresItsBoxAndFollowsResizing) {
    window->findChild<QPushButton*>("btnInfo")->click();
    EventWait::settle(50);
    ASSERT_NE(about(), nullptr);
    EXPECT_EQ(about()->geometry(), QRect(0, 0, 1280, 720));
    EXPECT_EQ(about()->findChild<QWidget*>("widget")->pos(), QPoint(415, 200));
    window->resize(1400, 800);
    EventWait::settle(100);
    EXPECT_EQ(about()->geometry(), QRect(0, 0, 1400, 800));
    EXPECT_EQ(about()->findChild<QWidget*>("widget")->pos(), QPoint(475, 240));
}

TEST_F(MainWindowTest, OpeningAboutAgainReplacesTheOpenOne) {
    auto* button = window->findChild<QPushButton*>("btnInfo");
    button->click();
    EventWait::settle(20);
    InformationDialog* first = about();
    QPointer<InformationDialog> watch(first);
    button->click();
    settleAndDelete(50);
    EXPECT_TRUE(watch.isNull());
    ASSERT_EQ(window->findChildren<InformationDialog*>().size(), 1);
    about()->findChild<QPushButton*>("btnOk")->click();
    settleAndDelete(50);
    EXPECT_EQ(about(), nullptr);
}

TEST_F(MainWindowTest, WaitingOverlayShowsOnceAndHides) {
    ASSERT_TRUE(EventWait::waitFor([&] { return !window->findChild<WaitingView*>(); }, 15000));
    QMetaObject::invokeMethod(window.get(), "showWaitingView");
    QMetaObject::invokeMethod(window.get(), "showWaitingView");
    EventWait::settle(20);
    ASSERT_EQ(window->findChildren<WaitingView*>().size(), 1);
    window->resize(1500, 900);
    EventWait::settle(100);
    EXPECT_EQ(window->findChild<WaitingView*>()->geometry(), QRect(0, 0, 1500, 900));
    QMetaObject::invokeMethod(window.get(), "hideWaitingView");
    QMetaObject::invokeMethod(window.get(), "hideWaitingView");
    settleAndDelete(50);
    EXPECT_EQ(window->findChild<WaitingView*>(), nullptr);
}

TEST_F(MainWindowTest, FullScreenAndBackRestoresTheState) {
    auto* stack = window->findChild<QStackedWidget*>("stackedWidget");
    auto* info = window->findChild<QPushButton*>("btnInfo");
    for (bool maximised : {false, true}) {
        SCOPED_TRACE(maximised ? "from maximised" : "from normal");
        if (maximised) window->showMaximized();
        ASSERT_TRUE(EventWait::waitFor([&] { return window->isMaximized() == maximised; }, 5000));
        QMetaObject::invokeMethod(window.get(), "toFullScreen");
        EXPECT_TRUE(EventWait::waitFor(
            [&] {
                return window->isFullScreen() && stack->currentIndex() == 1 && !info->isVisible();
            },
            5000));
        QMetaObject::invokeMethod(window.get(), "toNormalScreen");
        EXPECT_TRUE(EventWait::waitFor(
            [&] {
                return !window->isFullScreen() && window->isMaximized() == maximised &&
                       stack->currentIndex() == 0 && info->isVisible();
            },
            5000));
    }
}

TEST_F(MainWindowTest, UpAndDownStepTheRecordingsOnlyWithoutOverlay) {
    auto* name = window->findChild<QLabel*>("lblFileName");
    ASSERT_TRUE(EventWait::waitFor([&] { return !window->findChild<WaitingView*>(); }, 15000));
    ASSERT_TRUE(EventWait::waitFor(
        [&] { return window->findChildren<FileListItemView*>().size() == 3; }, 15000));
    QTest::mouseClick(window->findChildren<FileListItemView*>().first(), Qt::LeftButton);
    ASSERT_TRUE(EventWait::waitFor([&] { return !name->text().isEmpty(); }, 5000));
    QString first = name->text();
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    EventWait::settle(100);
    QString second = name->text();
    EXPECT_NE(second, first);
    QTest::keyClick(window->windowHandle(), Qt::Key_Up);
    EventWait::settle(100);
    EXPECT_EQ(name->text(), first);

    window->findChild<QPushButton*>("btnInfo")->click();
    EventWait::settle(50);
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    EventWait::settle(100);
    EXPECT_EQ(name->text(), first) << "the About overlay stops the key filter";
}

// Slots run while the hooks are on.
QList<QPair<QObject*, int>> slotCalls;

void recordSlot(QObject* receiver, int index, void**) { slotCalls.append({receiver, index}); }

// Each connection of the window, driven by emitting its signal once, runs its slot once.
TEST_F(MainWindowTest, EachConnectionRunsItsSlotOnce) {
    ASSERT_TRUE(EventWait::waitFor([&] { return !window->findChild<WaitingView*>(); }, 15000));
    QObject* files = window->findChild<FileListView*>();
    QObject* player = window->findChild<PlayerView*>();
    QObject* modes = window->findChild<ModeView*>();
    QObject* info = window->findChild<QPushButton*>("btnInfo");
    QObject* win = window.get();
    static const QString clip = cardFolder() + "/A.MOV";
    static const int found = 0, x = 160, y = 160, radius = 150;
    static const PLAYBACK_MODE panorama = MODE_PANORAMA;
    const QGenericArgument circle[4] = {Q_ARG(int, found), Q_ARG(int, x), Q_ARG(int, y),
                                        Q_ARG(int, radius)};
    const struct {
        QObject* sender;
        const char* signal;
        QObject* receiver;
        const char* slot;
        const QGenericArgument* args;  // four, or null for none
    } rows[] = {
        {files, "sigChangeDir()", win, "changeDir()", nullptr},
        {files, "sigChangeFile(QString)", win, "changeFile(QString)", nullptr},
        {files, "sigCircleChecked(int,int,int,int)", player, "setCircleInfo(int,int,int,int)",
         circle},
        {files, "sigCheckError()", player, "checkFileError()", nullptr},
        {files, "sigPlayFile()", player, "play()", nullptr},
        {files, "sigPauseFile()", player, "pause()", nullptr},
        {files, "sigSaveFile()", win, "showConversionDlg()", nullptr},
        {files, "sigUploadFile()", win, "showUploadDlg()", nullptr},
        {files, "sigShowWaitingView()", win, "showWaitingView()", nullptr},
        {files, "sigHideWaitingView()", win, "hideWaitingView()", nullptr},
        {modes, "sigModeChange(PLAYBACK_MODE)", player, "setPlaybackMode(PLAYBACK_MODE)", nullptr},
        {player, "sigPrevFile()", files, "changePrevFile()", nullptr},
        {player, "sigNextFile()", files, "changeNextFile()", nullptr},
        {player, "sigPlayNextFile()", files, "playNextFile()", nullptr},
        {player, "sigShowFullScreen()", win, "toFullScreen()", nullptr},
        {player, "sigShowNormalScreen()", win, "toNormalScreen()", nullptr},
        {info, "clicked()", win, "btnInfoClicked()", nullptr},
    };
    // A refusal of the probe answers itself instead of blocking.
    DialogHook::setAnswerer([](const DialogHook::Request&) { return DialogHook::Answer(); });
    QSignalSpyCallbackSet hooks = {nullptr, recordSlot, nullptr, nullptr};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signal);
        const QMetaObject* meta = row.sender->metaObject();
        const QMetaMethod signal = meta->method(meta->indexOfSignal(row.signal));
        const int slot = row.receiver->metaObject()->indexOfSlot(row.slot);
        ASSERT_TRUE(signal.isValid());
        ASSERT_GE(slot, 0);
        const QByteArray name = row.signal;
        QGenericArgument first;
        if (name.contains("QString"))
            first = Q_ARG(QString, clip);
        else if (name.contains("PLAYBACK"))
            first = Q_ARG(PLAYBACK_MODE, panorama);
        slotCalls.clear();
        qt_register_signal_spy_callbacks(&hooks);
        const bool sent = row.args ? signal.invoke(row.sender, Qt::DirectConnection, row.args[0],
                                                   row.args[1], row.args[2], row.args[3])
                                   : signal.invoke(row.sender, Qt::DirectConnection, first);
        qt_register_signal_spy_callbacks(nullptr);
        ASSERT_TRUE(sent);
        EXPECT_EQ(slotCalls.count({row.receiver, slot}), 1);
        EventWait::settle(50);
    }
}

QImage picture(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The trip-data panel as it looks before any file, at the size of `like`.
QImage infoWithoutFile(const QWidget* like) {
    InfoView fresh;
    QObject::disconnect(RavlixPlayer::currentPlayer(), nullptr, &fresh, nullptr);
    fresh.resize(like->size());
    fresh.show();
    EventWait::settle(50);
    return picture(&fresh);
}

QVariant pageValue(QWebEngineView* web, const QString& script) {
    QVariant value;
    bool done = false;
    web->page()->runJavaScript(script, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    EventWait::waitFor([&] { return done; }, 10000);
    return value;
}

TEST_F(MainWindowTest, FolderChangeLeavesEveryPanelWithoutAFile) {
    auto* info = window->findChild<InfoView*>();
    auto* web = window->findChild<QWebEngineView*>();
    bool loaded = false;
    QObject::connect(web, &QWebEngineView::loadFinished, [&] { loaded = true; });
    waitForRows(3);
    ASSERT_TRUE(EventWait::waitFor([&] { return loaded; }, 15000));
    QTest::mouseClick(rows().first(), Qt::LeftButton);
    ASSERT_TRUE(EventWait::waitFor(
        [] { return !RavlixPlayer::currentPlayer()->getAllGyroInfo().isEmpty(); }, 10000));
    auto record = std::make_shared<GyroInfo>();
    record->speed = 64;
    record->direction = 120;
    info->gyroInfoUpdated(0, record);
    const QImage none = infoWithoutFile(info);
    ASSERT_NE(picture(info), none);
    ASSERT_TRUE(EventWait::waitFor(
        [&] { return pageValue(web, "pendingMarkers !== null").toBool(); }, 10000));

    listFolder(recordingsFolder("otherCard", {"D.MOV", "E.MOV"}));
    waitForRows(2);
    EXPECT_TRUE(shownName().isEmpty());
    EXPECT_EQ(picture(info), none);
    EXPECT_TRUE(EventWait::waitFor(
        [&] { return pageValue(web, "pendingMarkers === null").toBool(); }, 10000))
        << "the route of the old folder's file is cleared";
    EXPECT_FALSE(window->findChild<QPushButton*>("btnSave")->isEnabled());
}

// While the broken-file warning is open, Up and Down open no further file and no further box.
TEST_F(MainWindowTest, BrokenFilesShowOneWarningAtATime) {
    const std::string made = TestEnv::makeDir("brokenCard");
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(recording::writeRandom(made + "/BROKEN" + std::to_string(i) + ".MOV", 4000,
                                           unsigned(i + 1)));
    listFolder(QString::fromStdString(made));
    waitForRows(4);
    int open = 0, most = 0, shown = 0;
    QStringList namesWhileOpen;
    DialogHook::setAnswerer([&](const DialogHook::Request& request) {
        if (request.kind != DialogHook::Message) return DialogHook::Answer();
        ++shown;
        most = std::max(most, ++open);
        if (open == 1) {
            // The warning as the user sees it: a modal box that takes the key presses.
            QMessageBox box(request.icon, request.title, request.text, request.buttons);
            box.open();
            EXPECT_TRUE(EventWait::waitFor([&] { return box.windowHandle()->isExposed(); }, 5000));
            for (int step = 0; step < 3; ++step) {
                QTest::keyClick(box.windowHandle(), Qt::Key_Down);
                EventWait::settle(400);
                namesWhileOpen << shownName();
            }
            box.close();
        }
        --open;
        DialogHook::Answer answer;
        answer.result = QMessageBox::Ok;
        return answer;
    });
    QTest::mouseClick(rows().first(), Qt::LeftButton);
    const QString first = shownName();
    ASSERT_TRUE(EventWait::waitFor([&] { return shown > 0 && open == 0; }, 15000));
    EventWait::settle(500);
    EXPECT_EQ(most, 1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(namesWhileOpen, QStringList({first, first, first}));
}

TEST_F(MainWindowTest, FolderChooserOpensCentredOnTheWindow) {
    window->move(300, 200);
    waitForRows(3);
    window->findChild<QPushButton*>("btnFile")->click();
    FileDialog* chooser = nullptr;
    ASSERT_TRUE(EventWait::waitFor(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if ((chooser = qobject_cast<FileDialog*>(top)) && chooser->isVisible()) return true;
            return false;
        },
        5000));
    const QPoint offset = chooser->frameGeometry().center() - window->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
    chooser->close();
}

// The lens-circle search and the encoder probe's trial are joined when the window goes: each
// window goes while the thread it waits for runs (the probe's trials may be over before the
// search starts). Joined means finished when the window is gone; the system thread then
// leaves a moment later, since Qt's threads are detached.
TEST_F(MainWindowTest, ClosingTheWindowJoinsItsWorkerThreads) {
    window.reset();
    const std::string big = TestEnv::makeDir("bigCard");
    recording::ClipOptions options;
    options.width = options.height = 1920;
    options.seconds = 1;
    ASSERT_TRUE(recording::writeRecording(big + "/BIG.MOV", options));
    QSettings(QStandardPaths::writableLocation(QStandardPaths::DataLocation) + "/setting.ini",
              QSettings::IniFormat)
        .setValue("LAST_DIR_PATH", QString::fromStdString(big));
    for (const char* name : {"VideoEncodeTask", "CircleCheckTask"}) {
        ThreadWatch watch;
        window = std::make_unique<MainWindow>();
        ASSERT_TRUE(EventWait::waitFor([&] { return watch.running().contains(name); }, 15000))
            << name;
        window.reset();
        EXPECT_EQ(watch.running().join(",").toStdString(), "") << name;
        EXPECT_TRUE(watch.waitUntilGone(5000)) << name;
    }
}

// With a maps key the window's pages ask only the test environment's 127.0.0.1 for anything:
// the maps script, the sign-in page.
TEST_F(MainWindowTest, NoPageRequestLeavesForAnotherHost) {
    window.reset();
    RequestLog::instance()->clear();
    qputenv("RV_MAPS_API_KEY", "test-key");
    window = std::make_unique<MainWindow>();
    window->show();
    const auto scriptAsked = [] {
        for (const QUrl& url : RequestLog::instance()->requests())
            if (url.path().endsWith("/maps/api/js")) return true;
        return false;
    };
    EXPECT_TRUE(EventWait::waitFor(scriptAsked, 20000));
    EventWait::settle(500);
    qunsetenv("RV_MAPS_API_KEY");
    QStringList elsewhere;
    for (const QUrl& url : RequestLog::instance()->elsewhere()) elsewhere << url.toString();
    EXPECT_TRUE(elsewhere.isEmpty()) << elsewhere.join("\n").toStdString();
}

// Run under LANG=ja_JP.UTF-8 (see CMakeLists.txt): the window in Japanese, with the Japanese
// font, as the program installs its translations.
TEST(JapaneseMainWindowTest, ShowsTranslatedTextsInTheJapaneseFont) {
    if (QLocale::system().name() != "ja_JP") GTEST_SKIP() << "needs the locale ja_JP";
    std::unique_ptr<QTranslator> translators[3];
    ASSERT_EQ(Translations::install(RV_LANGUAGES_DIR, "ja_JP", translators).size(), 3);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    FontStyle::init();
    MainWindow window;
    window.show();
    EventWait::settle(300);
    auto* list = window.findChild<FileListView*>();
    const struct {
        const char* name;
        QString text;
    } labels[] = {{"label", QString::fromUtf8("ファイル名")},
                  {"label_2", QString::fromUtf8("長さ")},
                  {"label_3", QString::fromUtf8("日時")}};
    for (const auto& l : labels) {
        auto* label = list->findChild<QLabel*>(l.name);
        ASSERT_NE(label, nullptr) << l.name;
        EXPECT_EQ(label->text(), l.text);
        // The face the Japanese family resolves to (its name may come localised).
        EXPECT_EQ(QFontInfo(label->font()).family(), QFontInfo(QFont(FontStyle::jaFont)).family());
        const QImage shown = label->grab().toImage();
        int light = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) light += qGray(shown.pixel(x, y)) > 180;
        EXPECT_GT(light, 20) << l.name << " draws its text";
    }
    for (auto& t : translators)
        if (t) QCoreApplication::removeTranslator(t.get());
}

}  // namespace
