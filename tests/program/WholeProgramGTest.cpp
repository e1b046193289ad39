// The built program as a user meets it, on the test's X display: it starts on a remembered card
// folder of generated recordings, lists them, plays one in every view mode and quits when its
// window is closed.
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include "PlaybackMode.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "XDisplayInput.h"

namespace {

const QString kTitle = "QUENDRA TRELLIQ";

// Places in the 1280x720 window (window pixels).
const QRect kPicture(14, 64, 689, 423);  // the player panel's picture
const int kPictureMiddle = 275;          // a row across the panorama's band
const QRect kTime(14, 500, 50, 18);      // elapsed time beside the slider
const QRect kRows(720, 540, 450, 72);    // the three listed recordings
const QRect kGraph(100, 605, 240, 90);   // the trip panel's g-sensor graph
const QRect kSpeed(355, 605, 115, 65);   // the trip panel's speed digits
const QPoint kFirstRow(800, 552);
const QPoint kPlayButton(350, 549);
const QPoint kModeButtons[5] = {{771, 440}, {881, 440}, {991, 440}, {1101, 440}, {1211, 440}};

QString dataFolder() { return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + "/" + kTitle; }

// Three recordings with trip data, remembered as the last folder.
void rememberCardFolder() {
    const std::string card = TestEnv::makeDir("card");
    recording::ClipOptions options;
    options.width = options.height = 640;
    options.seconds = 8;
    for (const char* name : {"REC_0001.MOV", "REC_0002.MOV", "REC_0003.MOV"}) {
        std::string error;
        ASSERT_TRUE(recording::writeRecording(card + "/" + name, options, &error)) << error;
    }
    QDir().mkpath(dataFolder());
    QSettings(dataFolder() + "/setting.ini", QSettings::IniFormat)
        .setValue("LAST_DIR_PATH", QString::fromStdString(card));
}

QString logFile() {
    return QString("%1/log/%2-%3-001.log")
        .arg(dataFolder(), kTitle, QDate::currentDate().toString("yyyy-MM-dd"));
}

// Distinct colours on a grid of every 4th pixel.
int colours(const QImage& image, const QRect& area) {
    QSet<QRgb> seen;
    for (int y = area.top(); y <= area.bottom(); y += 4)
        for (int x = area.left(); x <= area.right(); x += 4) seen << image.pixel(x, y);
    return seen.size();
}

// Pixels of `area` brighter than 200 in every channel.
int whitePixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
        }
    return n;
}

// Black pixels on the picture's middle row, one in ten.
int blackAcross(const QImage& image) {
    int n = 0;
    for (int x = kPicture.left(); x <= kPicture.right(); x += 10)
        n += (image.pixel(x, kPictureMiddle) & 0xffffff) == 0;
    return n;
}

// Mean absolute difference per channel between two pictures of one size.
double difference(const QImage& a, const QImage& b, const QRect& area) {
    double sum = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2, ++n) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return n ? sum / (3.0 * n) : 0;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QThread::msleep(50);
    return done();
}

class WholeProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString why;
        ASSERT_TRUE(input.isReady(&why)) << why.toStdString();
        rememberCardFolder();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        program.setProcessEnvironment(env);
        program.start(RV_PROGRAM_PATH, QStringList());
        ASSERT_TRUE(program.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([&] { return (window = input.findWindow(kTitle)) != 0; }, 60000));
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    XDisplayInput input;
    QProcess program;
    unsigned long window = 0;
};

// Lines on stderr that come from the machine rather than the program: the web engine's own
// (its sandbox switched off for tests, its GPU process under a virtual display), the
// display's missing core profile and the missing sound server.
bool fromTheMachine(const QString& line) {
    static const QRegularExpression chromium("^\\[\\d+:\\d+:\\d+/\\d+\\.\\d+:");
    return line.isEmpty() || chromium.match(line).hasMatch() ||
           line == "Sandboxing disabled by user." ||
           line.startsWith("An OpenGL Core Profile was requested") ||
           line.startsWith("PulseAudioService: pa_context_connect() failed");
}

TEST_F(WholeProgramTest, ListsPlaysInEveryModeAndQuits) {
    ASSERT_TRUE(waitUntil([&] { return colours(input.grab(window), kRows) > 8; }, 60000))
        << "the remembered folder is listed";
    ASSERT_TRUE(input.clickUntil(
        window, kFirstRow, [&] { return colours(input.grab(window), kPicture) > 50; }, 60000))
        << "the first frame of the selected recording";
    input.click(window, kPlayButton);
    input.click(window, kModeButtons[MODE_PANORAMA]);
    QImage panorama;
    EXPECT_TRUE(waitUntil(
        [&] {
            panorama = input.grab(window);
            return blackAcross(panorama) == 0 && whitePixels(panorama, kSpeed) > 300 &&
                   colours(panorama, kGraph) > 4;
        },
        60000))
        << "playing in the panorama";
    panorama.save(QString::fromStdString(TestEnv::root()) + "/panorama.png");
    EXPECT_GT(colours(panorama, kRows), 8) << "the list";
    EXPECT_GT(colours(panorama, kPicture), 50) << "the picture";
    EXPECT_EQ(blackAcross(panorama), 0) << "the panorama spans the view";
    EXPECT_GT(whitePixels(panorama, kSpeed), 300) << "the speed digits";
    EXPECT_GT(colours(panorama, kGraph), 4) << "the graph";
    QImage later;
    EXPECT_TRUE(waitUntil(
        [&] {
            later = input.grab(window);
            return difference(later, panorama, kTime) > 1.0 &&
                   difference(later, panorama, kPicture) > 1.0;
        },
        60000))
        << "the elapsed time advances and the picture moves";

    QImage previous = later;
    for (int mode : {MODE_TWO_IN_ONE, MODE_FOUR_IN_ONE, MODE_ANGLE, MODE_ORIGINAL}) {
        input.click(window, kModeButtons[mode]);
        QImage shown;
        EXPECT_TRUE(waitUntil(
            [&] {
                shown = input.grab(window);
                return colours(shown, kPicture) > 50 && difference(shown, previous, kPicture) > 3.0;
            },
            60000))
            << mode;
        shown.save(QString("%1/mode%2.png").arg(QString::fromStdString(TestEnv::root())).arg(mode));
        previous = shown;
    }
    EXPECT_TRUE(waitUntil([&] { return blackAcross(input.grab(window)) > 5; }, 60000))
        << "the plain fisheye frame has black beside its circle";

    input.requestClose(window);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    QStringList own;
    for (const QString& line : QString::fromLocal8Bit(program.readAllStandardError()).split('\n'))
        if (!fromTheMachine(line)) own << line;
    EXPECT_TRUE(own.isEmpty()) << "the program's own lines on stderr:\n"
                               << own.join('\n').toStdString();
    QFile log(logFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << logFile().toStdString();
    const QByteArray lines = log.readAll();
    EXPECT_TRUE(lines.contains("INFO  MAIN: QUENDRA TRELLIQ, ver. 3.0.0"));
    EXPECT_TRUE(lines.endsWith('\n')) << "the log ends with a whole line";
}

}  // namespace
