// The file list panel: listing order and filter, placed rows, the remembered folder, the empty
// and vanished folder states, the circle chain over at most five files, broken files,
// selection with wrap, the hidden upload button, column dragging, and what it draws.
#include <cstdio>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QThreadPool>

#include "EventWait.h"
#include "FileListFixtures.h"
#include "FileListItemView.h"
#include "FileListView.h"
#include "MainThreadReply.h"
#include "RecordingFiles.h"
#include "TestEnv.h"

using EventWait::waitFor;
using fixtures::clip;

namespace {

// Counts the frame reads of the circle chain and opens the protected slots to the tests.
class ProbedList : public FileListView {
  public:
    using FileListView::changeDir;
    QImage getVideoImage(QString path) override {
        reads << path;
        return FileListView::getVideoImage(path);
    }
    QStringList reads;
};

QString q(const std::string& s) { return QString::fromStdString(s); }

QString lastDir() {
    return QSettings(FileListView::settingsPath(), QSettings::IniFormat)
        .value("LAST_DIR_PATH")
        .toString();
}

std::vector<FileListItemView*> rowsOf(FileListView* view) {
    auto* contents = view->findChild<QWidget*>("scrollAreaContents");
    std::vector<FileListItemView*> rows;
    for (QObject* child : contents->children()) {
        if (auto* row = qobject_cast<FileListItemView*>(child)) rows.push_back(row);
    }
    return rows;
}

QString nameOf(FileListItemView* row) { return row->findChild<QLabel*>("lblName")->text(); }

void press(QWidget* target, QPoint pos, QEvent::Type type = QEvent::MouseButtonPress) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class FileListViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixtures::failOnConnectWarnings();
        QFile::remove(FileListView::settingsPath());
        view.resize(620, 194);
        view.show();
    }
    void TearDown() override {
        QThreadPool::globalInstance()->waitForDone();
        QApplication::processEvents();
    }

    // Lists `dir` and waits for the end of its circle chain (or the empty state).
    void list(const std::string& dir) {
        const int hides = sigs.count("hide");
        view.changeDir(q(dir));
        ASSERT_TRUE(waitFor([&] { return sigs.count("hide") > hides; }, 30000));
    }

    ProbedList view;
    fixtures::SignalLog sigs{&view};
    fixtures::MessageLog messages;
};

// The way back of the folder scan and the duration reads: a result posted from another thread
// reaches its receiver on the main thread, and none reaches a receiver deleted before it.
TEST(MainThreadReply, ReachesOnlyReceiversThatStillExist) {
    QObject kept;
    auto* gone = new QObject;
    std::vector<std::pair<QObject*, QThread*>> deliveries;
    auto note = [&](QObject* receiver) {
        deliveries.emplace_back(receiver, QThread::currentThread());
    };
    std::thread worker(
        [&, keptGuard = QPointer<QObject>(&kept), goneGuard = QPointer<QObject>(gone)] {
            replyOnMainThread(keptGuard, note);
            replyOnMainThread(goneGuard, note);
        });
    worker.join();
    delete gone;
    QCoreApplication::processEvents();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].first, &kept);
    EXPECT_EQ(deliveries[0].second, QCoreApplication::instance()->thread());
}

TEST_F(FileListViewTest, ListsMovFilesByNameIgnoringCaseInPlacedRows) {
    const std::string dir = TestEnv::makeDir("mixed");
    clip(dir + "/a.MOV", 64);
    clip(dir + "/B.mov", 64);
    clip(dir + "/c.mp4", 64);
    list(dir);
    const auto rows = rowsOf(&view);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(nameOf(rows[0]), "a.MOV");
    EXPECT_EQ(nameOf(rows[1]), "B.mov");
    for (int i = 0; i < 2; ++i) EXPECT_EQ(rows[i]->geometry(), QRect(0, 28 + 24 * i, 455, 24));
    EXPECT_EQ(view.findChild<QWidget*>("scrollAreaContents")->size(), QSize(455, 76));
    EXPECT_EQ(lastDir(), q(dir));
    EXPECT_EQ(sigs.names, (std::vector<std::string>{"show", "changeDir", "circle", "hide"}));
    EXPECT_EQ(sigs.circles[0], (std::vector<int>{-1, 0, 0, 0}));
    EXPECT_FALSE(view.findChild<QPushButton*>("btnSave")->isEnabled());
    EXPECT_FALSE(view.findChild<QPushButton*>("btnYouTube")->isVisible());
    EXPECT_TRUE(messages.texts.isEmpty());
}

// A folder larger than the rows built at once: the scrolled area is sized for all rows at
// once, the rest arrive in order at their places, and a new listing drops what was pending.
TEST_F(FileListViewTest, LargeFolderRowsArriveInOrderAndANewListingDropsTheRest) {
    const std::string many = TestEnv::makeDir("many"), two = TestEnv::makeDir("two");
    const int count = 130;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "/R%03d.MOV", i);
        ASSERT_TRUE(QFile(q(many + name)).open(QIODevice::WriteOnly));
    }
    clip(two + "/X.MOV", 64);
    clip(two + "/Y.MOV", 64);
    list(many);
    EXPECT_EQ(view.findChild<QWidget*>("scrollAreaContents")->height(), 28 + 24 * count);
    ASSERT_TRUE(waitFor([&] { return int(rowsOf(&view).size()) == count; }, 10000));
    const auto rows = rowsOf(&view);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(rows[i]->geometry(), QRect(0, 28 + 24 * i, 455, 24)) << i;
        EXPECT_EQ(nameOf(rows[i]), QString::asprintf("R%03d.MOV", i));
    }
    list(many);
    list(two);
    ASSERT_FALSE(waitFor([&] { return rowsOf(&view).size() != 2u; }, 300));
    EXPECT_EQ(nameOf(rowsOf(&view)[0]), "X.MOV");
    EXPECT_EQ(nameOf(rowsOf(&view)[1]), "Y.MOV");
}

TEST_F(FileListViewTest, EmptyFolderWarnsAndChangesNothing) {
    const std::string dir = TestEnv::makeDir("one");
    clip(dir + "/ONE.MOV", 64);
    list(dir);
    auto rows = rowsOf(&view);
    ASSERT_EQ(rows.size(), 1u);
    press(rows[0], QPoint(5, 5));
    sigs.names.clear();

    const std::string empty = TestEnv::makeDir("nothing");
    clip(empty + "/other.mp4", 64);
    list(empty);
    EXPECT_EQ(messages.texts, QStringList{"No Valid Video files."});
    EXPECT_EQ(sigs.names, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(rowsOf(&view), rows);
    EXPECT_TRUE(rows[0]->isViewSelected());
    EXPECT_EQ(lastDir(), q(dir));

    // The same folder again rebuilds the rows but does not write the setting.
    QSettings(FileListView::settingsPath(), QSettings::IniFormat).setValue("LAST_DIR_PATH", "/x");
    list(dir);
    EXPECT_EQ(sigs.count("changeDir"), 1);
    EXPECT_EQ(lastDir(), "/x");
}

TEST_F(FileListViewTest, FiveFrameReadsWhenNoCircleIsAcceptable) {
    const std::string dir = TestEnv::makeDir("six");
    for (int i = 1; i <= 6; ++i) clip(dir + "/CLIP" + std::to_string(i) + ".MOV", 64);
    list(dir);
    ASSERT_EQ(view.reads.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view.reads[i], q(dir) + QString("/CLIP%1.MOV").arg(i + 1));
    EXPECT_EQ(sigs.circles, (std::vector<std::vector<int>>{{-1, 0, 0, 0}}));
}

TEST_F(FileListViewTest, CircleOfTheFirstAcceptableFileInFullFramePixels) {
    const std::string dir = TestEnv::makeDir("lens");
    clip(dir + "/A_GREY.MOV", 64);
    fixtures::clip(dir + "/B_LENS.MOV", 960, true);
    clip(dir + "/C_GREY.MOV", 64);
    list(dir);
    EXPECT_EQ(view.reads.size(), 2);
    ASSERT_EQ(sigs.circles.size(), 1u);
    const std::vector<int>& c = sigs.circles[0];
    EXPECT_EQ(c[0], 0);
    EXPECT_NEAR(c[1], 479.5, 2);
    EXPECT_NEAR(c[2], 479.5, 2);
    EXPECT_NEAR(c[3], 451.2, 2);
}

TEST_F(FileListViewTest, BrokenFilesAreListedWithoutDuration) {
    const std::string dir = TestEnv::makeDir("broken");
    const std::string good = clip(dir + "/D_GOOD.MOV", 64);
    ASSERT_TRUE(recording::writeFile(dir + "/A_EMPTY.MOV", ""));
    ASSERT_TRUE(recording::writeRandom(dir + "/B_RANDOM.MOV", 200000, 3));
    ASSERT_TRUE(
        recording::writeTruncated(good, dir + "/C_TRUNC.MOV", QFileInfo(q(good)).size() / 2));
    list(dir);
    const auto rows = rowsOf(&view);
    ASSERT_EQ(rows.size(), 4u);
    auto duration = [](FileListItemView* row) {
        return row->findChild<QLabel*>("lblDuration")->text();
    };
    ASSERT_TRUE(waitFor([&] { return duration(rows[3]) == "00 : 01"; }, 10000));
    QThreadPool::globalInstance()->waitForDone();
    QApplication::processEvents();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(duration(rows[i]), "00 : 00") << nameOf(rows[i]).toStdString();
    EXPECT_EQ(view.reads.size(), 4);
}

TEST_F(FileListViewTest, FolderGoneBeforeItsNamesArriveGivesTheEmptyState) {
    const std::string dir = TestEnv::makeDir("kept");
    clip(dir + "/KEEP.MOV", 64);
    list(dir);
    const std::string card = TestEnv::makeDir("card");
    clip(card + "/PULLED.MOV", 64);
    view.changeDir(q(card));
    QThreadPool::globalInstance()->waitForDone();  // the names wait in the queue
    ASSERT_TRUE(QDir(q(card)).removeRecursively());
    ASSERT_TRUE(waitFor([&] { return !messages.texts.isEmpty(); }, 10000));
    EXPECT_EQ(messages.texts, QStringList{"No Valid Video files."});
    ASSERT_EQ(rowsOf(&view).size(), 1u);
    EXPECT_EQ(nameOf(rowsOf(&view)[0]), "KEEP.MOV");
    EXPECT_EQ(lastDir(), q(dir));
}

TEST_F(FileListViewTest, RememberedFolderThatIsGoneWarnsAtStart) {
    QSettings(FileListView::settingsPath(), QSettings::IniFormat)
        .setValue("LAST_DIR_PATH", q(TestEnv::root() + "/no-such-card"));
    view.init();
    ASSERT_TRUE(waitFor([&] { return sigs.count("hide") == 1; }, 10000));
    EXPECT_EQ(messages.texts, QStringList{"No Valid Video files."});
    EXPECT_TRUE(rowsOf(&view).empty());
}

TEST_F(FileListViewTest, SelectionStepsWrapAndPressingAgainIsACheck) {
    const std::string dir = TestEnv::makeDir("three");
    for (const char* name : {"/A.MOV", "/B.MOV", "/C.MOV"}) clip(dir + name, 64);
    list(dir);
    const auto rows = rowsOf(&view);
    ASSERT_EQ(rows.size(), 3u);
    view.changeNextFile();  // nothing selected yet
    EXPECT_EQ(sigs.count("changeFile"), 0);

    press(rows[1], QPoint(5, 5));
    EXPECT_EQ(sigs.changedFiles, QStringList{rows[1]->getPath()});
    EXPECT_TRUE(rows[1]->isViewSelected());
    press(rows[1], QPoint(5, 5));
    EXPECT_EQ(sigs.count("checkError"), 1);
    EXPECT_EQ(sigs.count("changeFile"), 1);

    view.changeNextFile();
    view.changeNextFile();
    view.changePrevFile();
    view.changePrevFile();
    EXPECT_EQ(sigs.changedFiles,
              (QStringList{rows[1]->getPath(), rows[2]->getPath(), rows[0]->getPath(),
                           rows[2]->getPath(), rows[1]->getPath()}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rows[i]->isViewSelected(), i == 1);

    sigs.names.clear();
    view.playNextFile();
    EXPECT_EQ(sigs.names, (std::vector<std::string>{"changeFile", "play"}));
}

TEST_F(FileListViewTest, SteppedRowIsScrolledIntoView) {
    const std::string dir = TestEnv::makeDir("ten");
    for (int i = 0; i < 10; ++i) clip(dir + "/R" + std::to_string(i) + ".MOV", 64);
    list(dir);
    const auto rows = rowsOf(&view);
    auto* area = view.findChild<QScrollArea*>("scrollArea");
    QScrollBar* vertical = area->verticalScrollBar();
    const QScrollBar* horizontal = area->horizontalScrollBar();
    press(rows[0], QPoint(5, 5));
    EXPECT_EQ(vertical->value(), 0);
    view.changePrevFile();  // wraps to the last row
    const int hb = horizontal->minimum() < horizontal->maximum() ? horizontal->height() : 0;
    EXPECT_EQ(vertical->value(), 28 + 24 * 9 + 24 - area->height() + hb);
    // The header band follows the scrolled value.
    EXPECT_EQ(view.findChild<QWidget*>("headerWidget")->y(), vertical->value());
    view.changeNextFile();
    EXPECT_EQ(vertical->value(), 0);
}

TEST_F(FileListViewTest, SingleRowStepIsACheck) {
    const std::string dir = TestEnv::makeDir("single");
    clip(dir + "/ONLY.MOV", 64);
    list(dir);
    press(rowsOf(&view)[0], QPoint(5, 5));
    view.changeNextFile();
    view.changePrevFile();
    EXPECT_EQ(sigs.count("checkError"), 2);
    EXPECT_EQ(sigs.count("changeFile"), 1);
}

// A recording removed after the listing is not opened (the player would call it broken): its
// row leaves the list when it is pressed or stepped to, and the rows below move up.
TEST_F(FileListViewTest, RowsOfRemovedRecordingsLeaveTheList) {
    const std::string dir = TestEnv::makeDir("removed");
    for (const char* name : {"/A.MOV", "/B.MOV", "/C.MOV", "/D.MOV"}) clip(dir + name, 64);
    list(dir);
    const auto rows = rowsOf(&view);
    ASSERT_EQ(rows.size(), 4u);
    press(rows[0], QPoint(5, 5));
    ASSERT_TRUE(QFile::remove(q(dir + "/B.MOV")));
    ASSERT_TRUE(QFile::remove(q(dir + "/C.MOV")));
    sigs.changedFiles.clear();
    press(rows[1], QPoint(5, 5));
    view.changeNextFile();  // over C to D
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(sigs.changedFiles.join(",").toStdString(), dir + "/D.MOV");
    const auto left = rowsOf(&view);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(nameOf(left[0]), "A.MOV");
    EXPECT_EQ(nameOf(left[1]), "D.MOV");
    EXPECT_EQ(left[1]->geometry(), QRect(0, 28 + 24, 455, 24));
    EXPECT_EQ(view.findChild<QWidget*>("scrollAreaContents")->height(), 28 + 2 * 24);
    EXPECT_TRUE(left[1]->isViewSelected());
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(FileListViewTest, DraggedBordersKeepColumnMinimumAndWidenTheArea) {
    const std::string dir = TestEnv::makeDir("drag");
    clip(dir + "/A.MOV", 64);
    list(dir);
    auto* contents = view.findChild<QWidget*>("scrollAreaContents");
    auto at = [&](int x) { return contents->mapTo(&view, QPoint(x, 14)); };
    press(&view, at(183));
    EXPECT_TRUE(view.findChild<QLabel*>("line")->isVisible());
    press(&view, at(3), QEvent::MouseMove);
    press(&view, at(3), QEvent::MouseButtonRelease);
    EXPECT_FALSE(view.findChild<QLabel*>("line")->isVisible());
    EXPECT_EQ(view.findChild<QWidget*>("widget_2")->width(), 80);
    FileListItemView* row = rowsOf(&view)[0];
    EXPECT_EQ(row->findChild<QWidget*>("widget")->maximumWidth(), 80);
    EXPECT_EQ(row->width(), 80 + 91 + 182);

    // A press on the header cell itself reaches the panel.
    auto* cell = view.findChild<QWidget*>("widget_3");
    QApplication::processEvents();  // the header lays its cells out again
    press(cell, QPoint(cell->width() - 2, 10));
    EXPECT_TRUE(view.findChild<QLabel*>("line_2")->isVisible());
    press(cell, QPoint(cell->width() - 2, 10), QEvent::MouseButtonRelease);
    EXPECT_FALSE(view.findChild<QLabel*>("line_2")->isVisible());
    EXPECT_EQ(view.findChild<QWidget*>("widget_3")->width(), 91);

    // The right edge, now at 351, dragged beyond the visible part.
    press(&view, at(351));
    press(&view, at(900), QEvent::MouseMove);
    press(&view, at(900), QEvent::MouseButtonRelease);
    EXPECT_GE(contents->width(), 900);
    QScrollBar* horizontal = view.findChild<QScrollArea*>("scrollArea")->horizontalScrollBar();
    EXPECT_GT(horizontal->maximum(), 0);
    EXPECT_EQ(row->width(), 902);
    EXPECT_EQ(row->findChild<QWidget*>("widget_3")->maximumWidth(), 902 - 80 - 91);
}

TEST_F(FileListViewTest, SelectedRowIsDrawnRedUnderAGreyHeaderBand) {
    const std::string dir = TestEnv::makeDir("look");
    clip(dir + "/A_FIRST_RECORDING.MOV", 64);
    clip(dir + "/B_SECOND_RECORDING.MOV", 64);
    list(dir);
    const auto rows = rowsOf(&view);
    press(rows[0], QPoint(5, 5));
    QApplication::processEvents();
    const QImage shot = view.grab().toImage();
    auto count = [&](QRect area, auto test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += test(QColor(shot.pixel(x, y)));
        return n;
    };
    auto red = [](QColor c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; };
    auto white = [](QColor c) { return c.red() > 180 && c.green() > 180 && c.blue() > 180; };
    const QPoint origin = rows[0]->mapTo(&view, QPoint(0, 0));
    const QRect first(origin + QPoint(10, 4), QSize(160, 16));
    const QRect second = first.translated(0, 24);
    EXPECT_GT(count(first, red), 20);
    EXPECT_EQ(count(first, white), 0);
    EXPECT_GT(count(second, white), 20);
    EXPECT_EQ(count(second, red), 0);
    // The band behind the header: grey, lighter at its left than at its right.
    const QColor left(shot.pixel(rows[0]->mapTo(&view, QPoint(2, -3)))),
        right(shot.pixel(rows[0]->mapTo(&view, QPoint(440, -3))));
    EXPECT_GT(left.red(), right.red());
    EXPECT_EQ(left.red(), left.blue());
}

}  // namespace

// After a listing the save button looks disabled (its grey picture) until a file opens, then
// shows its white picture; the open failure of a file greys it again.
TEST_F(FileListViewTest, SaveButtonLooksDisabledWithoutAFile) {
    auto* save = view.findChild<QPushButton*>("btnSave");
    QCursor::setPos(view.mapToGlobal(QPoint(-50, -50)));
    ASSERT_TRUE(waitFor([&] { return !save->underMouse(); }, 2000));
    auto shows = [&](const char* picture) {
        return save->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
               QImage(QString(":/image/fileListView/icon_save_360_%1.png").arg(picture))
                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const std::string dir = TestEnv::makeDir("greyed");
    clip(dir + "/A.MOV", 64);
    list(dir);
    EXPECT_TRUE(shows("disabled"));
    ASSERT_TRUE(QMetaObject::invokeMethod(&view, "videoChanged"));
    EXPECT_TRUE(shows("white"));
    ASSERT_TRUE(QMetaObject::invokeMethod(&view, "videoError", Q_ARG(int, -2)));
    EXPECT_TRUE(shows("disabled"));
}
