// The player panel over generated recordings: view sizes, the end of a clip, the broken-file
// message, snapshots, volume, slider drags, the pictures it names, and real playback.
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <memory>

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QXmlStreamReader>

#include "DialogHook.h"
#include "EventWait.h"
#include "ModeView.h"
#include "PlayerGLView.h"
#include "PlayerNormalGLView.h"
#include "PlayerView.h"
#include "RavlixPlayer.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "ViewEvents.h"

using EventWait::settle;
using EventWait::waitFor;

namespace {

struct Clips {
    QString solid;   // 2 s, 320x320, red everywhere
    QString minute;  // 60 s, 64x64
    QString lens;    // 6 s lens pattern, 320x320
    QString zero;
    QString large;  // 5 s lens pattern, 960x960
};

QString make(const std::string& path, int size, int seconds) {
    recording::ClipOptions options;
    options.width = options.height = size;
    options.seconds = seconds;
    options.audio = false;
    std::string error;
    EXPECT_TRUE(recording::writeRecording(path, options, &error)) << error;
    return QString::fromStdString(path);
}

double residentMiB() {
    std::ifstream status("/proc/self/statm");
    long pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * 4096.0 / (1024 * 1024);
}

// Mean absolute difference per channel of two pictures of one size, in [0, 255].
double difference(const QImage& a, const QImage& b) {
    const QImage p = a.convertToFormat(QImage::Format_RGB32);
    const QImage q = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb u = p.pixel(x, y), v = q.pixel(x, y);
            sum += std::abs(qRed(u) - qRed(v)) + std::abs(qGreen(u) - qGreen(v)) +
                   std::abs(qBlue(u) - qBlue(v));
        }
    return sum / (3.0 * p.width() * p.height());
}

const Clips& clips() {
    static const Clips made = [] {
        const std::string dir = TestEnv::makeDir("panel");
        Clips c;
        recording::ClipOptions red;
        red.width = red.height = 320;
        red.seconds = 2;
        red.audio = false;
        red.solidColor = "red";
        c.solid = QString::fromStdString(dir + "/SOLID.MOV");
        EXPECT_TRUE(recording::writeRecording(c.solid.toStdString(), red));
        c.minute = make(dir + "/MINUTE.MOV", 64, 60);
        c.lens = make(dir + "/LENS.MOV", 320, 6);
        c.large = make(dir + "/LARGE.MOV", 960, 5);
        c.zero = QString::fromStdString(dir + "/ZERO.MOV");
        recording::writeFile(c.zero.toStdString(), "");
        return c;
    }();
    return made;
}

// While it lives, no file of this process grows beyond `bytes`: the write that would fails as on
// a full disk (the signal the kernel sends for it is ignored).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousAction = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousAction);
    }

  private:
    rlimit saved{};
    void (*previousAction)(int) = SIG_DFL;
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        player = RavlixPlayer::newPlayer(nullptr);
        view = std::make_unique<PlayerView>();
        view->resize(1280, 636);
        view->show();
        DialogHook::setAnswerer([this](const DialogHook::Request& r) {
            requests.push_back(r);
            DialogHook::Answer a;
            a.path = savePath;
            return a;
        });
    }
    void TearDown() override {
        DialogHook::setAnswerer({});
        view.reset();
        RavlixPlayer::deletePlayer(player);
    }
    void open(const QString& path) {
        QSignalSpy changed(player, &RavlixPlayer::sigVideoChanged);
        player->open(path);
        ASSERT_TRUE(changed.count() > 0 || changed.wait(10000));
        waitFor([this] { return player->getCurrentPosition() >= 0 && frameShown(); }, 3000);
    }
    bool frameShown() { return glView()->getRawData().isValid(); }
    template <typename T>
    T* child(const char* name) {
        return view->findChild<T*>(name);
    }
    PlayerGLView* glView() { return view->findChild<PlayerGLView*>(); }
    PlayerNormalGLView* plainView() { return view->findChild<PlayerNormalGLView*>(); }
    // The full-screen button over the picture, the panel's only unnamed button.
    QPushButton* btnZoomIn() {
        for (QPushButton* b :
             view->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (b->objectName().isEmpty()) return b;
        return nullptr;
    }
    void invoke(const char* slot) { QMetaObject::invokeMethod(view.get(), slot); }
    void position(long ms) {
        QMetaObject::invokeMethod(view.get(), "positionUpdated", Q_ARG(long, ms));
    }
    int messages() {
        int n = 0;
        for (const auto& r : requests) n += r.kind == DialogHook::Message;
        return n;
    }
    bool showsPlayPicture() {
        return child<QPushButton>("btnPlayPause")->styleSheet().contains("icon_play_white");
    }
    // Plays until the controller's position passes `ms`.
    void playPast(long ms) {
        ASSERT_TRUE(waitFor([&] { return player->getCurrentPosition() > ms; }, 20000)) << ms;
    }
    // Pauses or resumes through the play/pause button, as a user does.
    void togglePlay() { QTest::mouseClick(child<QPushButton>("btnPlayPause"), Qt::LeftButton); }
    // Takes a snapshot under `path` and reads it back.
    QImage snapshot(const QString& path) {
        savePath = path;
        invoke("btnSnapshotClicked");
        return QImage(savePath);
    }
    static QSettings settings() {
        return QSettings(
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/setting.ini",
            QSettings::IniFormat);
    }
    static bool allBlack(const QImage& image) {
        for (int y = 0; y < image.height(); y += 5)
            for (int x = 0; x < image.width(); x += 5)
                if ((image.pixel(x, y) & 0xffffff) != 0) return false;
        return true;
    }

    RavlixPlayer* player = nullptr;
    std::unique_ptr<PlayerView> view;
    std::vector<DialogHook::Request> requests;
    QString savePath;
};

TEST_F(PanelTest, ViewSizesFollowTheMode) {
    const struct {
        PLAYBACK_MODE mode;
        QSize dewarp;
    } cases[] = {{MODE_PANORAMA, {1104, 552}},
                 {MODE_TWO_IN_ONE, {660, 550}},
                 {MODE_FOUR_IN_ONE, {660, 550}},
                 {MODE_ANGLE, {1280, 552}}};
    settle(50);
    EXPECT_EQ(plainView()->size(), QSize(552, 552));
    for (const auto& c : cases) {
        view->setPlaybackMode(c.mode);
        EXPECT_EQ(glView()->size(), c.dewarp) << c.mode;
    }
}

// The angle view fills the picture area: its bottom rows show the picture wherever the lens
// sees the direction shown there (the frame is red everywhere), at rest and after drags, in the
// window's picture area and in a full-screen one.
TEST_F(PanelTest, AngleViewHasPictureDownToTheBottomRows) {
    open(clips().solid);
    view->setPlaybackMode(MODE_ANGLE);
    auto* area = view->findChild<QStackedWidget*>("stackedWidget");
    // Placed as the window places it: a child given its geometry, whatever its views' sizes.
    QWidget window;
    window.resize(1920, 1080);
    view->setParent(&window);
    view->setMinimumSize(0, 0);  // kept from its time as a window of its own
    window.show();
    const struct {
        QSize panel;
        int dx, dy;
    } cases[] = {{{689, 511}, 0, 0},
                 {{689, 511}, 160, 160},
                 {{689, 511}, -200, -160},
                 {{1920, 1080}, 0, 0},
                 {{1920, 1080}, 0, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1x%2 drag %3,%4")
                         .arg(c.panel.width())
                         .arg(c.panel.height())
                         .arg(c.dx)
                         .arg(c.dy)
                         .toStdString());
        view->setGeometry(QRect(QPoint(0, 0), c.panel));
        settle(50);
        ASSERT_EQ(area->height(), c.panel.height() - 84);
        ViewEvents::drag(glView(), c.dx, c.dy);
        const QImage shown = area->grab().toImage();
        ASSERT_EQ(shown.size(), area->size());
        int seen = 0;
        for (int y = shown.height() - 40; y < shown.height(); y += 3) {
            for (int x = 0; x < shown.width(); x += 5) {
                const QPoint at = glView()->mapFrom(area, QPoint(x, y));
                ASSERT_TRUE(glView()->rect().contains(at)) << "holder at " << x << "," << y;
                double lat, lon;
                glView()->toCoordinate(at.x(), at.y(), &lat, &lon);
                if (lat > 14) continue;
                ++seen;
                ASSERT_GT(qRed(shown.pixel(x, y)), 150) << x << "," << y << " lat " << lat;
            }
        }
        EXPECT_GT(seen, 100);
        ViewEvents::drag(glView(), -c.dx, -c.dy);
    }
    view->setParent(nullptr);
}

// The bar's buttons are flat pictures: after clicks on them and arrow keys none shows a focus
// frame, each looks as before.
TEST_F(PanelTest, BarButtonsShowNoFocusFrame) {
    open(clips().minute);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::mouseMove(child<QWidget>("lblCurTime"));
    settle(50);
    const char* const names[] = {"btnOnceLoop", "btnStop",     "btnPrevious", "btnPlayPause",
                                 "btnNext",     "btnSnapshot", "btnVolume"};
    QList<QWidget*> buttons;
    for (const char* name : names) buttons << child<QWidget>(name);
    buttons << btnZoomIn();
    QList<QImage> before;
    for (QWidget* b : buttons) before << b->grab().toImage();
    // Twice each, so that toggles come back to their first picture, then every button is
    // compared, wherever the arrow keys have sent the focus.
    for (QWidget* b : buttons) {
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(b, Qt::LeftButton);
            for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Down, Qt::Key_Up})
                QTest::keyClick(view->windowHandle(), key);
        }
        QTest::mouseMove(child<QWidget>("lblCurTime"));
        ASSERT_TRUE(waitFor([&] { return !b->underMouse(); }, 2000));
        for (int i = 0; i < buttons.size(); ++i)
            EXPECT_EQ(buttons[i]->grab().toImage(), before[i])
                << b->objectName().toStdString() << " " << i;
    }
}

// Pixels of the sliders' red (the filled part and the handles) in `widget`.
int redPixels(QWidget* widget) {
    const QImage shown = widget->grab().toImage();
    int red = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, y);
            red += qAlpha(p) > 200 && qRed(p) > 120 && qGreen(p) < 40 && qBlue(p) < 40;
        }
    return red;
}

// Without a file the controls do nothing and look so: each bar button shows its grey picture
// and the sliders lose their red; an opened file brings the normal pictures back.
TEST_F(PanelTest, DisabledControlsLookDisabled) {
    QTest::mouseMove(child<QWidget>("lblCurTime"));
    settle(50);
    const struct {
        const char* button;
        const char* picture;
    } buttons[] = {{"btnOnceLoop", "icon_play_once"}, {"btnStop", "icon_stop"},
                   {"btnPrevious", "icon_previous"},  {"btnPlayPause", "icon_play"},
                   {"btnNext", "icon_next"},          {"btnSnapshot", "icon_snapshot"},
                   {"btnVolume", "icon_volume_on"}};
    auto shows = [&](const char* button, const QString& picture) {
        const QImage drawn = child<QPushButton>(button)->grab().toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        const QImage expected = QImage(":/image/playerView/" + picture + ".png")
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return drawn == expected;
    };
    for (bool opened : {false, true}) {
        if (opened) open(clips().minute);
        for (const auto& b : buttons)
            EXPECT_TRUE(shows(b.button, QString(b.picture) + (opened ? "_white" : "_disabled")))
                << b.button << (opened ? " enabled" : " disabled");
        for (const char* slider : {"progressSlider", "volumeSlider"})
            EXPECT_EQ(redPixels(child<QWidget>(slider)) > 20, opened) << slider;
    }
}

TEST_F(PanelTest, EndOfClipPlaysTheNextFileOrLoops) {
    open(clips().minute);
    auto* slider = child<QSlider>("progressSlider");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 59500);
    QSignalSpy next(view.get(), &PlayerView::sigPlayNextFile);
    view->play();
    // The end is decided when the position comes: the play picture shows at once.
    position(59900);
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "00:59");
    EXPECT_FALSE(showsPlayPicture()) << "59900 ms is not the end yet";
    position(59901);
    EXPECT_TRUE(showsPlayPicture());
    QElapsedTimer sinceEnd;
    sinceEnd.start();
    ASSERT_TRUE(next.wait(10000));
    EXPECT_GE(sinceEnd.elapsed(), 450) << "the next file is asked for 500 ms after the end";

    QTest::mouseClick(child<QPushButton>("btnOnceLoop"), Qt::LeftButton);
    view->play();
    position(59901);
    EXPECT_FALSE(showsPlayPicture());
    EXPECT_LT(player->getCurrentPosition(), 5000);
    settle(800);  // a next-file request would come 500 ms after the end
    EXPECT_EQ(next.count(), 1);
    EXPECT_FALSE(showsPlayPicture());
}

// A copy of `source` named `name` whose header ("mvhd", 1000 units a second) claims `ms`.
QString claiming(const QString& source, const QString& name, uint32_t ms) {
    const QString path = QFileInfo(source).absolutePath() + "/" + name;
    QFile::remove(path);
    QFile::copy(source, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return QString();
    QByteArray bytes = file.readAll();
    const int mvhd = bytes.indexOf("mvhd");
    if (mvhd < 0 || bytes.mid(mvhd + 16, 4) != QByteArray::fromHex("000003e8")) return QString();
    for (int i = 0; i < 4; ++i) bytes[mvhd + 20 + i] = char(ms >> (24 - 8 * i));
    file.seek(0);
    file.write(bytes);
    return path;
}

// The slider spans a claimed duration up to a day; a longer claim is taken as a day.
TEST_F(PanelTest, SliderRangeOfAClaimedDurationStopsAtADay) {
    const struct {
        uint32_t claimed;  // ms
        int maximum;
    } cases[] = {
        {86399000, 86398500}, {86400000, 86399500}, {86400001, 86399500}, {0xffffffffu, 86399500}};
    auto* slider = child<QSlider>("progressSlider");
    for (const auto& c : cases) {
        const QString path =
            claiming(clips().minute, QString("CLAIM%1.MOV").arg(c.claimed), c.claimed);
        ASSERT_FALSE(path.isEmpty());
        open(path);
        EXPECT_EQ(slider->minimum(), 0) << c.claimed;
        EXPECT_EQ(slider->maximum(), c.maximum) << c.claimed;
    }
}

TEST_F(PanelTest, TimeTextDoesNotWrapMinutes) {
    open(clips().minute);
    view->play();
    position(754000);
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "12:34");
}

TEST_F(PanelTest, BrokenFileMessageOnceAndOnEachCheck) {
    player->open(clips().zero);
    waitFor([this] { return messages() == 1; }, 10000);
    settle(300);
    ASSERT_EQ(messages(), 1);
    EXPECT_EQ(requests.back().text, "This file is broken and can't be played.");
    EXPECT_FALSE(child<QWidget>("controlWidget")->isEnabled());
    view->checkFileError();
    view->checkFileError();
    EXPECT_EQ(messages(), 3);
    QSignalSpy next(view.get(), &PlayerView::sigPlayNextFile);
    invoke("playNext");
    EXPECT_EQ(next.count(), 0);
}

TEST_F(PanelTest, EmptyFrameGivesNoDefaultCircle) {
    QMetaObject::invokeMethod(view.get(), "frameExtracted",
                              Q_ARG(QtAV::VideoFrame, QtAV::VideoFrame()));
    open(clips().lens);
    view->setPlaybackMode(MODE_PANORAMA);
    savePath = TestEnv::makeDir("circle").c_str() + QString("/p.png");
    invoke("btnSnapshotClicked");
    QImage shot(savePath);
    ASSERT_FALSE(shot.isNull());
    // A radius-0 circle would give one colour everywhere.
    const QImage band = shot.copy(0, 400, 2160, 300);
    EXPECT_NE(band.pixel(100, 100), band.pixel(900, 200));
}

TEST_F(PanelTest, SnapshotsOfEveryMode) {
    open(clips().lens);
    const QString dir = QString::fromStdString(TestEnv::makeDir("shots"));
    const struct {
        PLAYBACK_MODE mode;
        QSize size;
        bool whiteCanvas;
    } cases[] = {{MODE_ORIGINAL, {320, 320}, false},
                 {MODE_PANORAMA, {2160, 1080}, false},
                 {MODE_TWO_IN_ONE, {2160, 1080}, true},
                 {MODE_FOUR_IN_ONE, {2160, 1080}, true},
                 {MODE_ANGLE, {2160, 1080}, false}};
    for (const auto& c : cases) {
        view->setPlaybackMode(c.mode);
        requests.clear();
        savePath = dir + QString("/mode%1.png").arg(c.mode);
        invoke("btnSnapshotClicked");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].kind, DialogHook::SaveFile);
        EXPECT_TRUE(requests[0].dir.endsWith("/LENS_snapshot"));
        EXPECT_EQ(requests[0].filter, "360 Photo (*.jpg)");
        const QImage shot(savePath);
        ASSERT_EQ(shot.size(), c.size) << c.mode;
        if (c.whiteCanvas) {
            EXPECT_EQ(shot.pixel(100, 500), qRgb(0, 0, 0));
            EXPECT_EQ(shot.pixel(2000, 500), qRgb(0, 0, 0));
            EXPECT_EQ(shot.pixel(800, 540), qRgb(255, 255, 255));
        }
    }
    EXPECT_EQ(settings().value("EXPORT_DIR_PATH").toString(), dir);
}

TEST_F(PanelTest, FailedSnapshotSaveIsReported) {
    open(clips().lens);
    view->setPlaybackMode(MODE_PANORAMA);
    savePath = QString::fromStdString(TestEnv::makeDir("gone")) + "/missing/shot.jpg";
    invoke("btnSnapshotClicked");
    ASSERT_EQ(messages(), 1);
    EXPECT_EQ(requests.back().text, "The snapshot could not be saved.");
    EXPECT_FALSE(QFile::exists(savePath));
}

// A disk that fills up during the save: the user is told, no short file is left (an earlier one
// stays as it was), and the folder is remembered only after a save that worked.
TEST_F(PanelTest, SnapshotCutShortIsReportedAndLeavesNothing) {
    open(clips().lens);
    view->setPlaybackMode(MODE_PANORAMA);
    const QString dir = QString::fromStdString(TestEnv::makeDir("full"));
    const QString elsewhere = QString::fromStdString(TestEnv::makeDir("elsewhere"));
    const QString whole = dir + "/whole.jpg";
    ASSERT_FALSE(snapshot(whole).isNull());
    const qint64 size = QFileInfo(whole).size();
    ASSERT_GT(size, 10000);
    const struct {
        const char* name;
        qint64 room;
        bool earlier;  // a file of that name exists before
        bool saved;
    } cases[] = {{"no room", 0, false, false},
                 {"room for half", size / 2, false, false},
                 {"room for all but the last byte", size - 1, false, false},
                 {"over an earlier snapshot", size - 1, true, false},
                 {"room for all", size, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir + "/shot.jpg";
        QFile::remove(path);
        if (c.earlier) {
            ASSERT_TRUE(recording::writeFile(path.toStdString(), "earlier"));
        }
        settings().setValue("EXPORT_DIR_PATH", elsewhere);
        requests.clear();
        savePath = path;
        {
            FileSizeLimit limit(rlim_t(c.room));
            invoke("btnSnapshotClicked");
        }
        const std::string left =
            QDir(dir).entryList(QDir::Files, QDir::Name).join(' ').toStdString();
        const std::string remembered = settings().value("EXPORT_DIR_PATH").toString().toStdString();
        if (c.saved) {
            EXPECT_EQ(messages(), 0);
            EXPECT_EQ(QFileInfo(path).size(), size);
            EXPECT_EQ(QImageReader(path).format(), "jpeg");
            EXPECT_EQ(left, "shot.jpg whole.jpg");
            EXPECT_EQ(remembered, dir.toStdString());
            continue;
        }
        ASSERT_EQ(messages(), 1);
        EXPECT_EQ(requests.back().text, "The snapshot could not be saved.");
        std::string kept;
        recording::readFile(path.toStdString(), &kept);
        EXPECT_TRUE(kept == (c.earlier ? "earlier" : "")) << kept.size() << " bytes at the path";
        EXPECT_EQ(left, c.earlier ? "shot.jpg whole.jpg" : "whole.jpg");
        EXPECT_EQ(remembered, elsewhere.toStdString());
    }
}

// The save dialog's suggested name has no suffix: taking it as it is saves a JPEG.
TEST_F(PanelTest, SnapshotUnderTheSuggestedNameIsAJpeg) {
    open(clips().lens);
    const QString dir = QString::fromStdString(TestEnv::makeDir("suggested"));
    settings().setValue("EXPORT_DIR_PATH", dir);
    DialogHook::setAnswerer([](const DialogHook::Request& r) {
        DialogHook::Answer a;
        a.path = r.dir;
        return a;
    });
    const struct {
        PLAYBACK_MODE mode;
        QSize size;
    } cases[] = {{MODE_ORIGINAL, {320, 320}}, {MODE_PANORAMA, {2160, 1080}}};
    for (const auto& c : cases) {
        view->setPlaybackMode(c.mode);
        QFile::remove(dir + "/LENS_snapshot.jpg");
        invoke("btnSnapshotClicked");
        QImageReader reader(dir + "/LENS_snapshot.jpg");
        EXPECT_EQ(reader.format(), "jpeg") << c.mode;
        EXPECT_EQ(reader.size(), c.size) << c.mode;
    }
}

// Where the snapshot dialog starts: the stored folder while it exists, else the documents
// folder (made when missing), else home; a save there is remembered.
TEST_F(PanelTest, SnapshotDialogStartsInAFolderThatExists) {
    open(clips().lens);
    const QString home = QDir::homePath();
    const QString documents = home + "/Documents";
    const QString kept = QString::fromStdString(TestEnv::makeDir("kept"));
    const QString gone = QString::fromStdString(TestEnv::makeDir("gone_later"));
    QDir(gone).removeRecursively();
    enum Documents { Missing, AFile, Present };
    const struct {
        QString stored;
        Documents documents;
        QString start;
    } cases[] = {{QString(), Missing, documents},
                 {gone, Missing, documents},
                 {QString(), AFile, home},
                 {kept, Present, kept}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString() + " " + std::to_string(c.documents));
        QFile::remove(documents);
        QDir(documents).removeRecursively();
        if (c.documents == AFile) recording::writeFile(documents.toStdString(), "not a folder");
        if (c.documents == Present) QDir().mkpath(documents);
        if (c.stored.isEmpty())
            settings().remove("EXPORT_DIR_PATH");
        else
            settings().setValue("EXPORT_DIR_PATH", c.stored);
        requests.clear();
        savePath.clear();
        invoke("btnSnapshotClicked");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].dir, c.start + "/LENS_snapshot");
        EXPECT_TRUE(QFileInfo(c.start).isDir());
        QImage shot = snapshot(c.start + "/shot.png");
        EXPECT_FALSE(shot.isNull());
        EXPECT_EQ(settings().value("EXPORT_DIR_PATH").toString(), c.start);
    }
    QFile::remove(documents);
}

// Paused, a change of mode shows and saves the paused moment in the view that becomes visible.
TEST_F(PanelTest, ModeChangeWhilePausedShowsThePausedFrame) {
    open(clips().lens);
    const QString dir = QString::fromStdString(TestEnv::makeDir("paused"));
    view->setPlaybackMode(MODE_FOUR_IN_ONE);
    view->play();
    playPast(1000);
    view->setPlaybackMode(MODE_ORIGINAL);
    playPast(2200);
    view->pause();
    const QImage pausedPlain = plainView()->getImage().copy();
    view->setPlaybackMode(MODE_PANORAMA);
    ASSERT_FALSE(pausedPlain.isNull());
    EXPECT_EQ(glView()->getRawData().toImage(), pausedPlain) << "the panorama shows another moment";
    const QImage shown = glView()->grabFramebuffer();
    const QImage shot = snapshot(dir + "/panorama.png");
    ASSERT_FALSE(shot.isNull());
    EXPECT_LT(difference(shown, shot.scaled(shown.size(), Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation)),
              6.0);

    togglePlay();
    playPast(3400);
    togglePlay();
    const QtAV::VideoFrame paused = glView()->getRawData();
    view->setPlaybackMode(MODE_ORIGINAL);
    EXPECT_EQ(plainView()->getImage(), paused.toImage())
        << "the original view shows another moment";
    EXPECT_EQ(snapshot(dir + "/original.png"), paused.toImage());
}

// Paused, a click on the progress bar moves the handle, the picture and the time alike.
TEST_F(PanelTest, ClickOnTheProgressBarWhilePausedMovesTheTimeToo) {
    open(clips().minute);
    view->setPlaybackMode(MODE_PANORAMA);
    view->play();
    playPast(300);
    view->pause();
    auto* slider = child<QSlider>("progressSlider");
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() * 3 / 4, slider->height() / 2));
    const int ms = slider->value();
    EXPECT_GT(ms, 30000);
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(),
              QString::asprintf("%02d:%02d", ms / 60000, ms / 1000 % 60));
    EXPECT_TRUE(waitFor(
        [&] { return std::abs(glView()->getRawData().timestamp() * 1000 - ms) < 100; }, 10000));
    EXPECT_TRUE(showsPlayPicture());
}

// A folder change and a file that fails to open leave the panel as it is before any file:
// stopped, controls off, no picture, and no frame of the old file coming back.
TEST_F(PanelTest, FolderChangeAndFailedOpenLeaveNoPicture) {
    for (bool folderChange : {true, false}) {
        SCOPED_TRACE(folderChange ? "folder change" : "failed open");
        open(clips().lens);
        view->setPlaybackMode(folderChange ? MODE_PANORAMA : MODE_ORIGINAL);
        view->play();
        playPast(800);
        if (folderChange) {
            view->resetPlayer();
        } else {
            player->open(clips().zero);
            ASSERT_TRUE(waitFor([this] { return messages() > 0; }, 10000));
        }
        settle(300);
        EXPECT_FALSE(child<QWidget>("controlWidget")->isEnabled());
        EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "00:00");
        EXPECT_EQ(child<QSlider>("progressSlider")->value(), 0);
        EXPECT_TRUE(showsPlayPicture());
        EXPECT_EQ(player->getCurrentPosition(), 0) << "still playing";
        EXPECT_FALSE(glView()->getRawData().isValid());
        EXPECT_TRUE(plainView()->getImage().isNull());
        EXPECT_TRUE(
            allBlack(folderChange ? glView()->grabFramebuffer() : plainView()->grabFramebuffer()));
        requests.clear();
    }
}

TEST_F(PanelTest, StopShowsTheFirstFrameAndPreviousNextAskTheList) {
    open(clips().lens);
    view->setPlaybackMode(MODE_PANORAMA);
    view->play();
    playPast(1500);
    QTest::mouseClick(child<QPushButton>("btnStop"), Qt::LeftButton);
    EXPECT_TRUE(showsPlayPicture());
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "00:00");
    EXPECT_EQ(child<QSlider>("progressSlider")->value(), 0);
    EXPECT_EQ(player->getCurrentPosition(), 0);
    EXPECT_TRUE(waitFor([this] { return glView()->getRawData().timestamp() == 0.0; }, 10000))
        << "the still first frame";

    QSignalSpy previous(view.get(), &PlayerView::sigPrevFile);
    QSignalSpy next(view.get(), &PlayerView::sigNextFile);
    QTest::mouseClick(child<QPushButton>("btnPrevious"), Qt::LeftButton);
    EXPECT_EQ(previous.count(), 1);
    EXPECT_EQ(next.count(), 0);
    QTest::mouseClick(child<QPushButton>("btnNext"), Qt::LeftButton);
    EXPECT_EQ(previous.count(), 1);
    EXPECT_EQ(next.count(), 1);
}

TEST_F(PanelTest, SliderDragWhilePausedDoesNotResume) {
    open(clips().minute);
    view->setPlaybackMode(MODE_PANORAMA);
    view->play();
    playPast(300);
    view->pause();
    invoke("seekBySliderStart");
    QMetaObject::invokeMethod(view.get(), "seekBySlider", Q_ARG(int, 30000));
    invoke("seekBySilderFinish");
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "00:30");
    EXPECT_TRUE(
        waitFor([&] { return std::abs(glView()->getRawData().timestamp() - 30.0) < 0.1; }, 10000));
    // Resuming would follow 500 ms after the release.
    settle(800);
    EXPECT_TRUE(showsPlayPicture());
    const long at = player->getCurrentPosition();
    settle(300);
    EXPECT_EQ(player->getCurrentPosition(), at);
}

TEST_F(PanelTest, MuteAndUnmuteRestoreTheVolume) {
    open(clips().minute);
    auto* volume = child<QSlider>("volumeSlider");
    volume->setValue(40);
    QMetaObject::invokeMethod(view.get(), "volumeChanged", Q_ARG(int, 40));
    QTest::mouseClick(child<QPushButton>("btnVolume"), Qt::LeftButton);
    EXPECT_EQ(volume->value(), 0);
    EXPECT_DOUBLE_EQ(player->getVolume(), 0.0);
    EXPECT_TRUE(child<QPushButton>("btnVolume")->styleSheet().contains("icon_volume_off"));
    QTest::mouseClick(child<QPushButton>("btnVolume"), Qt::LeftButton);
    EXPECT_EQ(volume->value(), 40);
    EXPECT_NEAR(player->getVolume(), 0.4, 1e-9);
}

TEST_F(PanelTest, SliderDragWhilePlayingPausesAndResumes) {
    open(clips().minute);
    view->play();
    invoke("seekBySliderStart");
    EXPECT_TRUE(showsPlayPicture());
    QMetaObject::invokeMethod(view.get(), "seekBySlider", Q_ARG(int, 75000));
    EXPECT_EQ(child<QLabel>("lblCurTime")->text(), "01:15");
    QElapsedTimer sinceRelease;
    sinceRelease.start();
    invoke("seekBySilderFinish");
    EXPECT_TRUE(showsPlayPicture());
    ASSERT_TRUE(waitFor([this] { return !showsPlayPicture(); }, 10000));
    EXPECT_GE(sinceRelease.elapsed(), 450) << "playback resumes 500 ms after the release";
}

TEST_F(PanelTest, SliderStyleLeavesTheApplicationStyleAlone) {
    QStyle* appStyle = QApplication::style();
    auto* slider = child<QSlider>("progressSlider");
    EXPECT_EQ(slider->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons),
              Qt::LeftButton | Qt::RightButton | Qt::MiddleButton);
    view.reset();
    EXPECT_EQ(QApplication::style(), appStyle);
    EXPECT_FALSE(appStyle->objectName().isEmpty());
}

// The pictures every style asks for, against the files the resource lists name.
QStringList listedResources() {
    QStringList files;
    for (const char* qrc : {"playerView.qrc", "modeView.qrc", "infoView.qrc", "playerGLView.qrc"}) {
        QFile file(QString(RESOURCES_DIR) + "/" + qrc);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qrc;
        QXmlStreamReader xml(&file);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == "file")
                files << ":/" + xml.readElementText();
    }
    return files;
}

TEST_F(PanelTest, EveryNamedPictureIsAResource) {
    const QStringList listed = listedResources();
    EXPECT_EQ(listed.size(), QSet<QString>(listed.begin(), listed.end()).size())
        << "a resource is listed twice";
    ModeView modes;
    QString styles = ModeView::ORIGINAL_STYLE + ModeView::PANORAMA_CHECKED_STYLE;
    auto collect = [&] {
        for (QWidget* w : view->findChildren<QWidget*>()) styles += w->styleSheet();
        for (QWidget* w : modes.findChildren<QWidget*>()) styles += w->styleSheet();
    };
    collect();
    open(clips().minute);
    view->play();
    for (const char* b : {"btnOnceLoop", "btnVolume"})
        QTest::mouseClick(child<QPushButton>(b), Qt::LeftButton);
    const QStringList more = {ModeView::TWO_IN_ONE_STYLE,
                              ModeView::TWO_IN_ONE_CHECKED_STYLE,
                              ModeView::FOUR_IN_ONE_STYLE,
                              ModeView::FOUR_IN_ONE_CHECKED_STYLE,
                              ModeView::ANGLE_STYLE,
                              ModeView::ANGLE_CHECKED_STYLE,
                              ModeView::ORIGINAL_CHECKED_STYLE,
                              ModeView::PANORAMA_STYLE};
    styles += more.join("");
    collect();
    invoke("btnZoomInClicked");
    collect();
    invoke("btnZoomInClicked");
    const QRegularExpression url("url\\((:[^)]*)\\)");
    QSet<QString> asked;
    for (auto it = url.globalMatch(styles); it.hasNext();) asked << it.next().captured(1);
    EXPECT_GE(asked.size(), 24 + 2 + 20);
    for (const QString& path : asked) {
        EXPECT_TRUE(listed.contains(path)) << path.toStdString();
        EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();
    }
}

// Dewarped playback: for two seconds in each mode the time advances and the picture is not
// blank; paused, the view shows what the snapshot of that frame shows, and not the fisheye
// frame itself.
TEST_F(PanelTest, PlaysARecordingInEveryMode) {
    open(clips().lens);
    const QString dir = QString::fromStdString(TestEnv::makeDir("played"));
    auto* time = child<QLabel>("lblCurTime");
    view->play();
    for (PLAYBACK_MODE mode :
         {MODE_PANORAMA, MODE_TWO_IN_ONE, MODE_FOUR_IN_ONE, MODE_ANGLE, MODE_ORIGINAL}) {
        SCOPED_TRACE(mode);
        view->setPlaybackMode(mode);
        if (player->getCurrentPosition() > 3000) player->seek(0);
        const long before = player->getCurrentPosition();
        QSet<QString> times;
        EXPECT_TRUE(waitFor(
            [&] {
                times << time->text();
                return player->getCurrentPosition() > before + 1000 && times.size() >= 2;
            },
            20000))
            << "the position and its text advance";
        view->pause();
        // No event runs between the grab and the snapshot: both show the frame the panel holds.
        QImage shown =
            mode == MODE_ORIGINAL ? plainView()->grabFramebuffer() : glView()->grabFramebuffer();
        ASSERT_FALSE(shown.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < shown.height(); y += 7)
            for (int x = 0; x < shown.width(); x += 7) colours << shown.pixel(x, y);
        EXPECT_GT(colours.size(), 20);

        savePath = dir + QString("/mode%1.png").arg(mode);
        invoke("btnSnapshotClicked");
        QImage shot(savePath);
        ASSERT_FALSE(shot.isNull());
        if (mode == MODE_TWO_IN_ONE || mode == MODE_FOUR_IN_ONE)
            shot = shot.copy(432, 0, 1296, 1080);
        // The 2:1 angle snapshot spans the view's width; a wider view shows its middle rows.
        if (mode == MODE_ANGLE) {
            const int rows = 2160 * shown.height() / shown.width();
            shot = shot.copy(0, (1080 - rows) / 2, 2160, rows);
        }
        const QImage expected =
            shot.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage frame =
            mode == MODE_ORIGINAL ? plainView()->getImage() : glView()->getRawData().toImage();
        ASSERT_FALSE(frame.isNull());
        const QImage fisheye =
            frame.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double toSnapshot = difference(shown, expected);
        EXPECT_LT(toSnapshot, 6.0);
        if (mode != MODE_ORIGINAL) {
            EXPECT_GT(difference(shown, fisheye), 3 * toSnapshot + 5) << "dewarped";
        }
        view->play();
    }
}

// While the main thread is busy the video thread goes on delivering frames: only the newest
// waits for it, so memory stays flat, and the newest is what shows once the thread runs again.
TEST_F(PanelTest, BlockedMainThreadHoldsOnlyTheNewestFrame) {
    open(clips().large);
    view->setPlaybackMode(MODE_PANORAMA);
    std::atomic<double> newest{-1};
    QObject::connect(
        player, &RavlixPlayer::sigFrameUpdated, view.get(),
        [&newest](const QtAV::VideoFrame& frame) { newest = frame.timestamp(); },
        Qt::DirectConnection);
    view->play();
    ASSERT_TRUE(waitFor([&] { return newest > 0.5; }, 20000));
    const double frameMiB = 960.0 * 960 * 4 / (1024 * 1024);
    const double before = residentMiB();
    QThread::msleep(2500);
    const double blocked = residentMiB();
    EXPECT_LT(blocked - before, 8 * frameMiB) << "some 75 frames came while blocked";
    const double newestWhileBlocked = newest;
    QCoreApplication::processEvents();
    // A queue would show the first frame that came while blocked.
    EXPECT_GE(glView()->getRawData().timestamp(), newestWhileBlocked);
    EXPECT_LE(glView()->getRawData().timestamp(), newest.load());
    settle(500);
    EXPECT_LT(residentMiB() - before, 8 * frameMiB);
}

}  // namespace
