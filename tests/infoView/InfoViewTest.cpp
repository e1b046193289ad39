// Trip-data panel: value range and its labels over generated recordings, the
// empty list, pages by location validity, G-sensor texts, speed digits, the
// play-bar column and the compass turn.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <QFile>

#include "EventWait.h"
#include "InfoView.h"
#include "RavlixPlayer.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "TestEnv.h"

using namespace recording;

namespace {

RavlixPlayer* player() {
    static RavlixPlayer* made = RavlixPlayer::newPlayer(nullptr);
    return made;
}

QStringList painterWarnings;

// Any failed connection fails the test that caused it; painter warnings are kept.
void failOnConnectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.contains("QObject::connect"))
        ADD_FAILURE() << text.toStdString();
    else if (text.contains("QPainter") || text.contains("painter"))
        painterWarnings << text;
    if (type != QtDebugMsg) fprintf(stderr, "%s\n", qPrintable(text));
}

// The controller exists before any panel, as in the main window.
class PanelEnvironment : public testing::Environment {
    void SetUp() override {
        qInstallMessageHandler(failOnConnectWarnings);
        player();
    }
};
const auto* environment = testing::AddGlobalTestEnvironment(new PanelEnvironment);

// A clip of a minute at a frame a second, encoded once, with `records` added to a copy named
// `name`. A recording holds up to a minute more records than its seconds.
std::string recordingWith(const std::string& name, const std::vector<TripRecord>& records) {
    static const std::string dir = TestEnv::makeDir("infoView");
    static const std::string clip = [] {
        ClipOptions options;
        options.width = options.height = 64;
        options.seconds = 60;
        options.fps = 1;
        options.audio = false;
        std::string error;
        const std::string path = dir + "/clip.MOV";
        EXPECT_TRUE(encodeClip(path, options, &error)) << error;
        return path;
    }();
    const std::string path = dir + "/" + name + ".MOV";
    QFile::remove(QString::fromStdString(path));
    EXPECT_TRUE(QFile::copy(QString::fromStdString(clip), QString::fromStdString(path)));
    std::string error;
    if (!records.empty()) {
        EXPECT_TRUE(addTripData(path, records, 4096, &error)) << error;
    }
    return path;
}

// Opens `path` in the controller and waits until the panels have taken its records.
void openRecording(const std::string& path) {
    bool announced = false;
    const QMetaObject::Connection connection =
        QObject::connect(player(), &RavlixPlayer::sigVideoChanged, [&] { announced = true; });
    player()->open(QString::fromStdString(path));
    EXPECT_TRUE(EventWait::waitFor([&] { return announced; }, 10000)) << path;
    QObject::disconnect(connection);
}

// Records whose X, Y and Z values run through `x`, `y`, `z` (the longest sets the
// count). Each curve should vary: the plot centres a flat curve on the old range.
std::vector<TripRecord> gSensor(const std::vector<short>& x, const std::vector<short>& y,
                                const std::vector<short>& z) {
    const size_t n = std::max({x.size(), y.size(), z.size(), size_t(2)});
    std::vector<TripRecord> records = makeTrip(int(n));
    for (size_t i = 0; i < n; ++i) {
        records[i].gX = x.empty() ? 0 : x[i % x.size()];
        records[i].gY = y.empty() ? 0 : y[i % y.size()];
        records[i].gZ = z.empty() ? 0 : z[i % z.size()];
    }
    return records;
}

std::string axisLabels(InfoView& view) {
    return QStringList({view.label_4->text(), view.label_5->text(), view.label_6->text(),
                        view.label_7->text(), view.label_8->text()})
        .join(' ')
        .toStdString();
}

QImage picture(QLabel* label) {
    return label->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage digit(int d) {
    return QImage(QString(":/image/infoView/icon_%1.png").arg(d))
        .convertToFormat(QImage::Format_ARGB32);
}

QWidget* playBar(InfoView& view) {
    const auto direct = Qt::FindDirectChildrenOnly;
    for (QWidget* child : view.plotWidget->findChildren<QWidget*>(QString(), direct))
        if (!qobject_cast<QCustomPlot*>(child)) return child;
    return nullptr;
}

struct RangeCase {
    const char* name;
    std::vector<short> x, y, z;
    QStringList labels;
};

TEST(InfoView, RangeLabelsWidenToWholeHundredsAcrossAllCurves) {
    const std::vector<RangeCase> cases = {
        {"positive", {50, 980}, {120, 400}, {300, 70}, {"1000", "750", "500", "250", "0"}},
        {"negative", {-50, -10}, {-10, -30}, {-45, -20}, {"0", "-25", "-50", "-75", "-100"}},
        {"exact", {-200, 10}, {300, 0}, {0, 5}, {"400", "225", "50", "-125", "-300"}},
        {"mixed", {1, -3}, {-4095, 0}, {4096, 7}, {"4100", "2050", "0", "-2050", "-4100"}},
    };
    InfoView view;
    for (const RangeCase& c : cases) {
        openRecording(recordingWith(c.name, gSensor(c.x, c.y, c.z)));
        EXPECT_EQ(axisLabels(view), c.labels.join(' ').toStdString()) << c.name;
        auto* plot = view.findChild<QCustomPlot*>();
        EXPECT_EQ(plot->graphCount(), 3);
        EXPECT_EQ(plot->yAxis->range().lower, c.labels.last().toDouble()) << c.name;
        EXPECT_EQ(plot->yAxis->range().upper, c.labels.first().toDouble()) << c.name;
        EXPECT_EQ(view.stackedWidget->currentIndex(), 0);
    }
}

TEST(InfoView, EmptyListClearsCurvesShowsNoGpsAndKeepsLabels) {
    InfoView view;
    EXPECT_EQ(view.stackedWidget->currentIndex(), 1);
    const auto some = recordingWith("some", gSensor({50, 980}, {60, 70}, {80, 90}));
    openRecording(some);
    ASSERT_EQ(view.stackedWidget->currentIndex(), 0);
    openRecording(recordingWith("none", {}));
    auto* plot = view.findChild<QCustomPlot*>();
    ASSERT_EQ(plot->graphCount(), 3);
    for (int g = 0; g < 3; ++g) EXPECT_EQ(plot->graph(g)->dataCount(), 0);
    EXPECT_EQ(view.stackedWidget->currentIndex(), 1);
    EXPECT_EQ(axisLabels(view), "1000 750 500 250 0");
}

TEST(InfoView, PageFollowsLocationValidityAndTextsFollowTheRecord) {
    InfoView view;
    auto valid = std::make_shared<GyroInfo>();
    auto invalid = std::make_shared<GyroInfo>();
    valid->gSensorX = -1234;
    valid->gSensorY = 0;
    valid->gSensorZ = 32767;
    invalid->locationValid = false;
    invalid->gSensorX = -32768;
    view.gyroInfoUpdated(0, valid);
    EXPECT_EQ(view.stackedWidget->currentIndex(), 0);
    EXPECT_EQ(view.lblGSensorX->text(), "-1234");
    EXPECT_EQ(view.lblGSensorY->text(), "0");
    EXPECT_EQ(view.lblGSensorZ->text(), "32767");
    view.gyroInfoUpdated(0, invalid);
    EXPECT_EQ(view.stackedWidget->currentIndex(), 1);
    EXPECT_EQ(view.lblGSensorX->text(), "-32768");
}

struct SpeedCase {
    float speed;
    bool mph;
    int hundreds, tens, ones;
};

TEST(InfoView, SpeedDigitsInBothUnitsAndBrokenValuesAsZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<SpeedCase> cases = {
        {62.5f, true, 0, 3, 8}, {62.5f, false, 0, 6, 2},         {1234.f, false, 2, 3, 4},
        {5.9f, false, 0, 0, 5}, {std::nanf(""), false, 0, 0, 0}, {inf, true, 0, 0, 0},
        {-inf, false, 0, 0, 0}, {3e9f, false, 0, 0, 0},          {-3e9f, true, 0, 0, 0},
    };
    InfoView view;
    auto record = std::make_shared<GyroInfo>();
    view.gyroInfoUpdated(0, record);
    for (const SpeedCase& c : cases) {
        record->speed = c.speed;
        (c.mph ? view.btnMph : view.btnKmh)->click();
        EXPECT_EQ(picture(view.lblHundredNum), digit(c.hundreds)) << c.speed;
        EXPECT_EQ(picture(view.lblTenNum), digit(c.tens)) << c.speed;
        EXPECT_EQ(picture(view.lblNum), digit(c.ones)) << c.speed;
    }
}

TEST(InfoView, WholeNumberTruncatesAndRefusesWhatIntCannotHold) {
    EXPECT_EQ(InfoView::wholeNumber(359.9f), 359);
    EXPECT_EQ(InfoView::wholeNumber(-7.8f), -7);
    EXPECT_EQ(InfoView::wholeNumber(std::nanf("")), 0);
    EXPECT_EQ(InfoView::wholeNumber(2.2e9f), 0);
    EXPECT_EQ(InfoView::wholeNumber(-2.2e9f), 0);
    EXPECT_EQ(InfoView::wholeNumber(2.0e9f), 2000000000);
}

TEST(InfoView, PlayBarColumnFollowsTheRecordIndex) {
    InfoView view;
    openRecording(recordingWith("hundred", makeTrip(100)));
    const GyroInfoList list = player()->getAllGyroInfo();
    ASSERT_EQ(list.size(), 100);
    auto* plot = view.findChild<QCustomPlot*>();
    plot->resize(500, 120);
    QWidget* bar = playBar(view);
    ASSERT_NE(bar, nullptr);
    const struct {
        SharedGyroInfo record;
        int x;  // -1: hidden
    } cases[] = {{list.at(1), 4},
                 {list.at(0), -1},
                 {list.at(50), 249},
                 {list.at(99), 494},
                 {std::make_shared<GyroInfo>(), -1}};
    for (const auto& c : cases) {
        view.gyroInfoUpdated(0, c.record);
        if (c.x < 0) {
            EXPECT_TRUE(bar->isHidden());
            continue;
        }
        EXPECT_FALSE(bar->isHidden());
        EXPECT_EQ(bar->geometry(), QRect(c.x, 5, 1, 110));
    }
    openRecording(recordingWith("one", makeTrip(1)));
    view.gyroInfoUpdated(0, player()->getAllGyroInfo().at(0));
    EXPECT_TRUE(bar->isHidden());
}

// Centre of the red pixels ("N" of the rose) relative to the picture's centre.
QPointF northMark(const QImage& image) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 && c.red() > 150 && c.green() < 100) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    return n ? QPointF(sx / n - image.width() / 2.0, sy / n - image.height() / 2.0) : QPointF();
}

TEST(InfoView, CompassTurnsAgainstTheHeading) {
    const struct {
        float heading;
        QPointF north;  // direction of the rose's north mark on screen
    } cases[] = {{0, {0, -1}},
                 {359.9f, {0, -1}},
                 {90, {-1, 0}},
                 {180, {0, 1}},
                 {270, {1, 0}},
                 {std::nanf(""), {0, -1}},
                 {450, {-1, 0}},
                 {-90, {1, 0}},
                 {-720.5f, {0, -1}},
                 // A stored INT_MIN: -128 within one turn, shown like 232.
                 {-2147483648.f, {0.788, 0.616}}};
    InfoView view;
    auto record = std::make_shared<GyroInfo>();
    for (const auto& c : cases) {
        record->direction = c.heading;
        view.gyroInfoUpdated(0, record);
        const QImage shown = picture(view.lblCompass);
        ASSERT_EQ(shown.size(), QImage(":/image/infoView/icon_compass.png").size());
        const QPointF at = northMark(shown);
        EXPECT_GT(at.x() * c.north.x() + at.y() * c.north.y(), 25) << c.heading;
        EXPECT_LT(std::abs(at.x() * c.north.y() - at.y() * c.north.x()), 8) << c.heading;
    }
}

// The panel as a user sees it, shown at its form size.
QImage shown(InfoView& view) {
    view.resize(680, 130);
    view.show();
    EventWait::settle(50);
    return view.grab().toImage();
}

// The main window's first layout pass gives the graph no height. It is drawn once it has a
// size, and never painted on an empty buffer before.
TEST(InfoView, GraphWithoutHeightDrawsLaterWithoutPainterWarnings) {
    InfoView view;
    shown(view);
    auto* plot = view.findChild<QCustomPlot*>();
    painterWarnings.clear();
    plot->resize(plot->width(), 0);
    std::vector<TripRecord> trip = makeTrip(8);
    for (size_t i = 0; i < trip.size(); ++i) trip[i].gX = short(i % 2 ? 3000 : -3000);
    openRecording(recordingWith("unsized", trip));
    view.resetTripData();
    openRecording(recordingWith("unsized", trip));
    EXPECT_TRUE(painterWarnings.isEmpty()) << painterWarnings.join("\n").toStdString();

    view.resize(681, 130);
    const QImage picture = shown(view);
    const QRect graph(plot->mapTo(&view, QPoint(0, 0)), plot->size());
    ASSERT_GT(graph.height(), 50);
    int yellow = 0;
    for (int y = graph.top(); y <= graph.bottom(); ++y)
        for (int x = graph.left(); x <= graph.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            yellow += c.red() > 150 && c.green() > 150 && c.blue() < 120;
        }
    EXPECT_GT(yellow, 20) << "the X curve";
    EXPECT_TRUE(painterWarnings.isEmpty()) << painterWarnings.join("\n").toStdString();
}

// A folder change or a failed open leaves the picture of a panel that never had a file.
TEST(InfoView, BrokenFileLeavesThePictureWithoutAFile) {
    InfoView fresh;
    QObject::disconnect(player(), nullptr, &fresh, nullptr);
    const QImage none = shown(fresh);
    InfoView view;
    shown(view);
    std::vector<TripRecord> trip = makeTrip(20);
    for (TripRecord& r : trip) r.gX = r.gY = r.gZ = 900;
    trip[12].speedKnots = 47;  // 87 km/h
    trip[12].heading = 40;
    openRecording(recordingWith("before", trip));
    // Held here, so the record stays valid after the panel has let the list go.
    const GyroInfoList list = player()->getAllGyroInfo();
    ASSERT_EQ(list.size(), 20);
    view.gyroInfoUpdated(12, list.at(12));
    ASSERT_NE(shown(view), none);

    const std::string broken = TestEnv::makeDir("infoView") + "/broken.MOV";
    ASSERT_TRUE(writeRandom(broken, 3000, 5));
    player()->open(QString::fromStdString(broken));
    EXPECT_TRUE(EventWait::waitFor([&] { return shown(view) == none; }, 15000));

    view.gyroInfoUpdated(12, list.at(12));
    ASSERT_NE(shown(view), none);
    view.resetTripData();
    EXPECT_EQ(shown(view), none);
    EXPECT_EQ(axisLabels(view), "4000 2000 0 -2000 -4000");
}

}  // namespace
