// File list rows: duration texts, the date format, elision, selection colours, and results
// for rows that are gone.
#include <string>

#include <gtest/gtest.h>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QThreadPool>

#include "EventWait.h"
#include "FFMpegDecoder360G.h"
#include "FileListFixtures.h"
#include "FileListItemView.h"
#include "TestEnv.h"

namespace {

QString text(FileListItemView& row, const char* label) {
    return row.findChild<QLabel*>(label)->text();
}

TEST(FileListItemView, DurationTexts) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "00 : 00"},    {59.4, "00 : 59"},   {59.5, "01 : 00"}, {60, "01 : 00"},
                 {3725, "62 : 05"}, {3725.5, "62 : 06"}, {-3, "00 : 00"}};
    for (const auto& c : cases)
        EXPECT_EQ(FileListItemView::durationText(c.seconds), c.text) << c.seconds;

    FileListItemView row;
    EXPECT_EQ(text(row, "lblDuration"), "00 : 00");
    emit row.sigDurationLoaded(59.5);
    EXPECT_EQ(text(row, "lblDuration"), "00 : 00");  // queued
    QApplication::processEvents();
    EXPECT_EQ(text(row, "lblDuration"), "01 : 00");
}

// The clip at `path` with its video track's "mdhd" time scale set to one unit a second and
// its edit list hidden in a "free" box, its container's duration left as it is: a malformed
// file whose stream claims 512 times what it holds.
void breakStreamTimeScale(const std::string& path) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.readAll();
    const int header = bytes.indexOf("mdhd"), edits = bytes.indexOf("edts");
    ASSERT_GT(header, 0);
    ASSERT_GT(edits, 0);
    ASSERT_EQ(bytes[header + 4], 0);  // version 0: 32-bit fields
    ASSERT_TRUE(file.seek(header + 16));
    ASSERT_EQ(file.write(QByteArray("\0\0\0\1", 4)), 4);
    ASSERT_TRUE(file.seek(edits));
    ASSERT_EQ(file.write("free", 4), 4);
}

TEST(FileListItemView, MalformedStreamDurationShownAsThePlayerShowsIt) {
    const std::string path = fixtures::clip(TestEnv::makeDir("overstated") + "/LONG.MOV", 64);
    breakStreamTimeScale(path);
    FFMpegDecoder360G decoder;
    ASSERT_EQ(decoder.initWithFilePath(path.c_str()), 0);
    ASSERT_GT(decoder.getVideoDuration(), 15000);  // the stream's claim
    FileListItemView row;
    row.init(QString::fromStdString(path));
    const QString shown = FileListItemView::durationText(decoder.getDuration());
    EXPECT_EQ(shown, "00 : 01");
    ASSERT_TRUE(EventWait::waitFor([&] { return text(row, "lblDuration") != "00 : 00"; }, 10000));
    EXPECT_EQ(text(row, "lblDuration"), shown);
}

TEST(FileListItemView, DateInEnglishFormatWhateverTheLanguage) {
    const std::string path = TestEnv::makeDir("dated") + "/DATED.MOV";
    ASSERT_TRUE(QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly));
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2021, 3, 5), QTime(14, 7, 40)),
                                 QFileDevice::FileModificationTime));
    file.close();
    QLocale::setDefault(QLocale(QLocale::German));
    FileListItemView row;
    row.init(QString::fromStdString(path));
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(text(row, "lblDate"), "2021/03/05 14:07");
    EXPECT_EQ(text(row, "lblName"), "DATED.MOV");
    QThreadPool::globalInstance()->waitForDone();
    QApplication::processEvents();
    EXPECT_EQ(text(row, "lblDuration"), "00 : 00");  // not a video
}

TEST(FileListItemView, LongNamesElidedToTheCellAndShownWhenWidened) {
    const QString name = "A_VERY_LONG_RECORDING_NAME_FROM_THE_CARD_20210305_140700_0001.MOV";
    const std::string path = TestEnv::makeDir("long") + "/" + name.toStdString();
    ASSERT_TRUE(QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly));
    FileListItemView row;
    row.init(QString::fromStdString(path));
    const QString shown = text(row, "lblName");
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    const QFontMetrics metrics(row.findChild<QLabel*>("lblName")->font());
    EXPECT_LE(metrics.horizontalAdvance(shown), 182 - 9);
    EXPECT_GT(metrics.horizontalAdvance(shown), 182 - 9 - 20);
    row.setFixedWidth(1200);
    row.resizeContent(900, 91, 182);
    EXPECT_EQ(text(row, "lblName"), name);
    QThreadPool::globalInstance()->waitForDone();
    QApplication::processEvents();
}

TEST(FileListItemView, PressMarksRedOnceAndReports) {
    FileListItemView row;
    int reports = 0, plays = 0;
    QObject::connect(&row, &FileListItemView::sigViewSelect, [&](FileListItemView* v) {
        EXPECT_EQ(v, &row);
        ++reports;
    });
    QObject::connect(&row, &FileListItemView::sigViewPlay, [&] { ++plays; });
    auto style = [&] { return row.findChild<QLabel*>("lblDate")->styleSheet(); };
    EXPECT_EQ(style(), "color: rgb(255, 255, 255);");
    for (int i = 0; i < 2; ++i) {
        QMouseEvent press(QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&row, &press);
        EXPECT_TRUE(press.isAccepted());
        EXPECT_EQ(style(), "color: rgb(255, 0, 0);");
    }
    EXPECT_EQ(reports, 2);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&row, &twice);
    EXPECT_EQ(plays, 1);
    row.setViewSelect(false);
    EXPECT_EQ(row.findChild<QLabel*>("lblName")->styleSheet(), "color: rgb(255, 255, 255);");
}

TEST(FileListItemView, DurationsOfDeletedRowsAreDropped) {
    const std::string dir = TestEnv::makeDir("gone-rows");
    std::vector<QString> paths;
    for (int i = 0; i < 20; ++i)
        paths.push_back(
            QString::fromStdString(fixtures::clip(dir + "/R" + std::to_string(i) + ".MOV", 64)));
    for (int round = 0; round < 5; ++round) {
        std::vector<FileListItemView*> rows;
        for (const QString& path : paths) {
            rows.push_back(new FileListItemView);
            rows.back()->init(path);
        }
        for (FileListItemView* row : rows) delete row;
    }
    QThreadPool::globalInstance()->waitForDone();
    QApplication::processEvents();
    FileListItemView kept;
    kept.init(paths[0]);
    ASSERT_TRUE(EventWait::waitFor([&] { return text(kept, "lblDuration") == "00 : 01"; }, 10000));
}

}  // namespace
