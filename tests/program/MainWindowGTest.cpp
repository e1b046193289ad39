#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QPushButton>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include "EventWait.h"
#include "FileListItemView.h"
#include "FontStyle.h"
#include "InformationDialog.h"
#include "MainWindow.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "WaitingView.h"

namespace {

QStringList connectWarnings;

void recordWarnings(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.contains("QObject::connect"))
        connectWarnings << message;
}

// deleteLater() of the overlays, which the test's event loop does not reach by itself.
void settleAndDelete(int ms) {
    EventWait::settle(ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Three short recordings remembered as the last folder, so the window lists them at start.
void rememberCardFolder() {
    static std::string folder;
    if (folder.empty()) {
        folder = TestEnv::makeDir("card");
        recording::ClipOptions options;
        options.seconds = 1;
        for (const char* name : {"A.MOV", "B.MOV", "C.MOV"})
            ASSERT_TRUE(recording::writeRecording(folder + "/" + name, options));
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::DataLocation);
    QDir().mkpath(data);
    QSettings(data + "/setting.ini", QSettings::IniFormat)
        .setValue("LAST_DIR_PATH", QString::fromStdString(folder));
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
        qInstallMessageHandler(previous);
        EXPECT_TRUE(connectWarnings.isEmpty()) << connectWarnings.join("\n").toStdString();
        connectWarnings.clear();
    }
    InformationDialog* about() { return window->findChild<InformationDialog*>(); }

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
    for (bool maximised : {false, true}) {
        if (maximised)
            window->showMaximized();
        EventWait::settle(200);
        QMetaObject::invokeMethod(window.get(), "toFullScreen");
        EventWait::settle(200);
        EXPECT_EQ(stack->currentIndex(), 1);
        EXPECT_FALSE(window->findChild<QPushButton*>("btnInfo")->isVisible());
        QMetaObject::invokeMethod(window.get(), "toNormalScreen");
        EventWait::settle(200);
        EXPECT_EQ(stack->currentIndex(), 0);
        EXPECT_EQ(window->isMaximized(), maximised);
        EXPECT_FALSE(window->isFullScreen());
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

}  // namespace
