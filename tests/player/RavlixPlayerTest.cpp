// The player controller over generated recordings: opening, failures, the
// position and record signals of frames, still frames, playback pacing and
// pause, dropping what belongs to an earlier open, and BGRA frames.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EventWait.h"
#include "LogCapture.h"
#include "MovieFixtures.h"
#include "RavlixPlayer.h"
#include "RecordingBoxes.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "SignalProbe.h"
#include "TestEnv.h"
#include "VideoFrameConverter.h"

using namespace recording;
using EventWait::settle;
using EventWait::waitFor;
using Kind = SignalProbe::Kind;

namespace {

// Generated once per test program.
struct Files {
    std::string trip60;   // 2 s clip with 60 records
    std::string longer;   // 4 s recording, 4 records
    std::string shorter;  // 1 s recording, 1 record
    std::string red;      // 1 s of pure red, 178x96, no sound, no records
    std::string zero, random, truncated, missing;
    std::string dayIndex;  // no video; "mvhd" states a day, the index names one block 100000 times
};

// ftyp, one block, then "moov" stating a day whose index names the block 100000 times.
std::string writeDayIndex(const std::string& path) {
    const std::string head = box("ftyp", "qt  " + be32(0) + "qt  ");
    const std::vector<uint32_t> offsets(100000, uint32_t(head.size()));
    const std::string mvhd =
        std::string(12, '\0') + be32(1) + be32(24 * 3600) + std::string(80, '\0');
    EXPECT_TRUE(writeFile(path, head + gpsBlockBox(makeTrip(1)[0], 256) +
                                    box("moov", box("mvhd", mvhd) + gpsIndexBox(offsets, 256))));
    return path;
}

std::string make(const std::string& path, const ClipOptions& options, int records) {
    std::string error;
    bool made = encodeClip(path, options, &error) &&
                (records == 0 || addTripData(path, makeTrip(records), 4096, &error));
    EXPECT_TRUE(made) << error;
    return path;
}

const Files& files() {
    static const Files made = [] {
        const std::string dir = TestEnv::makeDir("controller");
        Files f;
        ClipOptions small;
        small.width = small.height = 96;
        small.seconds = 2;
        f.trip60 = make(dir + "/TRIP60.MOV", small, 60);
        small.seconds = 4;
        f.longer = make(dir + "/LONG.MOV", small, 4);
        small.seconds = 1;
        f.shorter = make(dir + "/SHORT.MOV", small, 1);
        ClipOptions red;
        red.width = 178;
        red.height = 96;
        red.seconds = 1;
        red.audio = false;
        red.solidColor = "red";
        f.red = make(dir + "/RED.MOV", red, 0);
        f.zero = dir + "/ZERO.MOV";
        writeFile(f.zero, "");
        f.random = dir + "/RANDOM.MOV";
        writeRandom(f.random, 200000, 7);
        f.truncated = dir + "/TRUNCATED.MOV";
        writeTruncated(f.longer, f.truncated, 3000);
        f.missing = dir + "/MISSING.MOV";
        f.dayIndex = writeDayIndex(dir + "/DAY.MOV");
        return f;
    }();
    return made;
}

// Fails the running test on any warning about a failed connection.
QtMessageHandler previousHandler = nullptr;
std::vector<QString> connectWarnings;

void watchConnectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains("QObject::connect")) connectWarnings.push_back(text);
    previousHandler(type, context, text);
}

bool near(int expected, int actual) { return std::abs(expected - actual) <= 3; }

void expectRedBgra(const QtAV::VideoFrame& frame) {
    ASSERT_EQ(QtAV::VideoFormat::Format_BGRA32, frame.pixelFormat());
    ASSERT_EQ(frame.width() * 4, frame.bytesPerLine());
    const uchar* first = frame.constBits();
    const uchar* last =
        first + (frame.height() - 1) * frame.bytesPerLine() + (frame.width() - 1) * 4;
    for (const uchar* p : {first, last}) {
        EXPECT_TRUE(near(0x00, p[0]) && near(0x00, p[1]) && near(0xff, p[2]))
            << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
        EXPECT_EQ(0xff, p[3]);
    }
}

class RavlixPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(files().trip60.empty());
        LogCapture::install().clear();
        connectWarnings.clear();
        previousHandler = qInstallMessageHandler(watchConnectWarnings);
        player = RavlixPlayer::newPlayer(nullptr);
        probe = new SignalProbe(player);
    }

    void TearDown() override {
        delete probe;
        RavlixPlayer::deletePlayer(player);
        qInstallMessageHandler(previousHandler);
        EXPECT_TRUE(connectWarnings.empty()) << connectWarnings.front().toStdString();
    }

    // Opens `path` and waits for its first still frame.
    void openAndWait(const std::string& path) {
        const int before = probe->count(Kind::FrameExtracted);
        player->open(QString::fromStdString(path));
        ASSERT_TRUE(waitFor([&] { return probe->count(Kind::FrameExtracted) > before; }, 10000));
        settle(50);
    }

    // Plays until a position at or beyond `ms` has arrived.
    void playTo(long ms) {
        player->play();
        ASSERT_TRUE(waitFor(
            [&] {
                const std::vector<long> p = probe->values(Kind::Position);
                return !p.empty() && p.back() >= ms;
            },
            10000));
    }

    RavlixPlayer* player = nullptr;
    SignalProbe* probe = nullptr;
};

TEST_F(RavlixPlayerTest, OpenAnnouncesTheVideoThenItsFirstFrameAtZero) {
    int recordsAtSignal = -1;
    long durationAtSignal = -1;
    QObject::connect(player, &RavlixPlayer::sigVideoChanged, probe, [&] {
        recordsAtSignal = player->getAllGyroInfo().size();
        durationAtSignal = player->getDurtion();
    });
    openAndWait(files().trip60);
    settle(300);

    EXPECT_EQ(60, recordsAtSignal);
    EXPECT_NEAR(2000, durationAtSignal, 100);
    EXPECT_EQ(QString::fromStdString(files().trip60), player->getFilePath());
    const std::vector<Kind> order = probe->order();
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(Kind::VideoChanged, order[0]);
    EXPECT_EQ(Kind::FrameExtracted, order[1]);
    EXPECT_EQ(1, probe->count(Kind::VideoChanged));
    EXPECT_EQ(0, probe->count(Kind::OpenFailed));
    EXPECT_NEAR(0.0, probe->events(Kind::FrameExtracted).front().timestamp, 1e-6);
    EXPECT_EQ(std::vector<long>{0}, probe->values(Kind::Position));
    const std::vector<SignalProbe::Event> gyro = probe->events(Kind::Gyro);
    ASSERT_EQ(1u, gyro.size());
    EXPECT_EQ(0, gyro[0].value);
    EXPECT_EQ(player->getAllGyroInfo().at(0), gyro[0].info);
    EXPECT_EQ(player, RavlixPlayer::currentPlayer());
}

// A crafted index can take long to read: open() returns before the records are read, and the
// announcement brings all of them (a day and a minute).
TEST_F(RavlixPlayerTest, RecordsAreReadOffTheMainThread) {
    bool announced = false;
    int recordsAtAnnouncement = 0;
    QObject::connect(player, &RavlixPlayer::sigVideoChanged, probe, [&] {
        announced = true;
        recordsAtAnnouncement = player->getAllGyroInfo().size();
    });
    player->open(QString::fromStdString(files().dayIndex));
    EXPECT_FALSE(announced);
    EXPECT_TRUE(player->getAllGyroInfo().isEmpty());
    ASSERT_TRUE(waitFor([&] { return announced; }, 30000));
    EXPECT_EQ(24 * 3600 + 60, recordsAtAnnouncement);
}

TEST_F(RavlixPlayerTest, UnshowableFilesFailExactlyOnceAfterTheAnnouncement) {
    for (const std::string& path :
         {files().zero, files().random, files().truncated, files().missing}) {
        probe->clear();
        player->open(QString::fromStdString(path));
        ASSERT_TRUE(waitFor([&] { return probe->count(Kind::OpenFailed) > 0; }, 10000)) << path;
        settle(400);
        EXPECT_EQ((std::vector<Kind>{Kind::VideoChanged, Kind::OpenFailed}), probe->order())
            << path;
        EXPECT_EQ(std::vector<long>{-1}, probe->values(Kind::OpenFailed)) << path;
        EXPECT_TRUE(player->getAllGyroInfo().isEmpty()) << path;
        // The reason is logged with the file.
        EXPECT_TRUE(
            LogCapture::install().contains("RavlixPlayer", "Can not open \"" + path + "\": "))
            << path;
        // A still frame asked for after the failure fails too, and changes nothing.
        player->seek(500);
        EXPECT_TRUE(waitFor(
            [&] {
                return LogCapture::install().contains("RavlixPlayer",
                                                      "No still frame of \"" + path + "\": ");
            },
            10000))
            << path;
        settle(100);
        EXPECT_EQ(1, probe->count(Kind::OpenFailed)) << path;
    }
}

// A recording cut short or overwritten with zeros while it plays fails once, as a file that does
// not open does, within its duration: no loop over the part still there, no silent stop.
TEST_F(RavlixPlayerTest, RecordingDamagedWhilePlayingFailsOnce) {
    const std::string dir = TestEnv::makeDir("damaged");
    ClipOptions clip;
    clip.width = clip.height = 96;
    clip.seconds = 10;  // more than the player reads ahead
    for (const PlayingFileDamage& c : playingFileDamages()) {
        const std::string path = make(dir + "/" + c.name + ".MOV", clip, 6);
        openAndWait(path);
        probe->clear();
        playTo(300);
        ASSERT_TRUE(c.apply(QString::fromStdString(path))) << c.name;
        ASSERT_TRUE(
            waitFor([&] { return probe->count(Kind::OpenFailed) > 0; }, clip.seconds * 1000 + 2000))
            << c.name;
        settle(400);
        EXPECT_EQ(std::vector<long>{-1}, probe->values(Kind::OpenFailed)) << c.name;
        const std::vector<long> positions = probe->values(Kind::Position);
        for (size_t i = 1; i < positions.size(); ++i)
            EXPECT_GT(positions[i], positions[i - 1]) << c.name << ": the head was played again";
        EXPECT_LT(positions.back(), (clip.seconds - 0.5) * 1000) << c.name;
    }
}

TEST_F(RavlixPlayerTest, FramesFromTheVideoThreadGivePositionsAndRecordsOfWholeSeconds) {
    openAndWait(files().trip60);
    probe->clear();
    // 59.9 and 60.2 straddle the last record; exactly 0 sends the first one;
    // 3.2 and 3.7 share one; a seek back from 10 s sends record 3 again; a
    // negative time sends only the frame.
    const std::vector<double> times = {59.9, 60.2, 0.0, 3.2, 3.7, 10.0, 3.0, -0.5};
    std::thread videoThread([&] {
        for (double t : times) {
            QtAV::VideoFrame frame(4, 4, QtAV::VideoFormat::Format_BGRA32);
            frame.setTimestamp(t);
            player->receive(frame);
        }
    });
    videoThread.join();
    ASSERT_TRUE(waitFor([&] { return probe->count(Kind::Position) >= 7; }, 5000));
    settle(200);

    EXPECT_EQ(int(times.size()), probe->count(Kind::FrameUpdated));
    EXPECT_EQ((std::vector<long>{59900, 60200, 0, 3200, 3700, 10000, 3000}),
              probe->values(Kind::Position));
    EXPECT_EQ((std::vector<long>{59, 0, 3, 10, 3}), probe->values(Kind::Gyro));
    const GyroInfoList records = player->getAllGyroInfo();
    for (const SignalProbe::Event& e : probe->events(Kind::Gyro))
        EXPECT_EQ(records.at(int(e.value)), e.info);
    EXPECT_NEAR(-0.5, player->currentFrame().timestamp(), 1e-9);
}

TEST_F(RavlixPlayerTest, SeekWhileStoppedGivesTheStillFrameThere) {
    openAndWait(files().longer);
    probe->clear();
    player->seek(1500);
    ASSERT_TRUE(waitFor([&] { return probe->count(Kind::FrameExtracted) > 0; }, 10000));
    settle(100);
    const double t = probe->events(Kind::FrameExtracted).front().timestamp;
    EXPECT_GE(t, 1.5 - 1e-6);
    EXPECT_LT(t, 1.5 + 1.0 / 30 + 1e-6);
    EXPECT_EQ(std::vector<long>{long(1000 * t)}, probe->values(Kind::Position));
    EXPECT_EQ(std::vector<long>{1}, probe->values(Kind::Gyro));
}

TEST_F(RavlixPlayerTest, PlaybackKeepsRealTimeAndPauseStopsFrames) {
    openAndWait(files().longer);
    player->pause();  // while stopped: nothing
    settle(300);
    EXPECT_EQ(0, probe->count(Kind::FrameUpdated));

    probe->clear();
    playTo(200);
    const SignalProbe::Event start = probe->events(Kind::Position).back();
    player->play();  // while playing: nothing
    // The rate over 1.5 s of media, however long the wall clock takes for it.
    ASSERT_TRUE(waitFor(
        [&] { return probe->events(Kind::Position).back().value >= start.value + 1500; }, 10000));
    const SignalProbe::Event end = probe->events(Kind::Position).back();
    const double rate = double(end.value - start.value) / double(end.wallMs - start.wallMs);
    EXPECT_NEAR(1.0, rate, 0.2) << (end.value - start.value) << " ms in "
                                << (end.wallMs - start.wallMs);
    const std::vector<long> positions = probe->values(Kind::Position);
    for (size_t i = 1; i < positions.size(); ++i) EXPECT_GT(positions[i], positions[i - 1]);
    for (const SignalProbe::Event& e : probe->events(Kind::FrameUpdated))
        ASSERT_EQ(e.frame.width() * 4, e.frame.bytesPerLine());

    player->pause();
    settle(200);  // frames already queued
    const int framesAtPause = probe->count(Kind::FrameUpdated);
    const long positionAtPause = player->getCurrentPosition();
    player->pause();    // while paused: nothing
    player->seek(500);  // while paused: no still frame
    settle(600);
    EXPECT_LE(probe->count(Kind::FrameUpdated), framesAtPause + 1);
    EXPECT_EQ(0, probe->count(Kind::FrameExtracted));
    EXPECT_NE(positionAtPause, 0);

    player->play();
    EXPECT_TRUE(
        waitFor([&] { return probe->count(Kind::FrameUpdated) > framesAtPause + 3; }, 5000));
    player->stop();
    const int framesAtStop = probe->count(Kind::FrameUpdated);
    settle(300);
    EXPECT_LE(probe->count(Kind::FrameUpdated), framesAtStop + 2);
    EXPECT_EQ(0, player->getCurrentPosition());
}

// Played again after a seek and a stop (as at the end of a clip), the file starts at 0, not at
// the point of the seek.
TEST_F(RavlixPlayerTest, PlayAfterASeekAndAStopStartsAtTheBeginning) {
    openAndWait(files().longer);
    playTo(200);
    player->seek(2500);
    ASSERT_TRUE(waitFor([&] { return probe->values(Kind::Position).back() >= 2500; }, 10000));
    player->stop();
    probe->clear();
    player->play();
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<long> p = probe->values(Kind::Position);
            return !p.empty() && p.back() < 1000;
        },
        10000))
        << "no position from the beginning";
    player->stop();
}

TEST_F(RavlixPlayerTest, PositionsOfAnEarlierOpenAreDropped) {
    openAndWait(files().longer);
    // Counted where they happen: positions past 1 s that the video thread queues (one for each
    // frame it hands over) and those that the main thread sends on.
    std::atomic<int> queuedLate{0};
    int sentLate = 0;
    QObject::connect(
        player, &RavlixPlayer::sigFrameUpdated, probe,
        [&](const QtAV::VideoFrame& frame) {
            if (long(1000 * frame.timestamp()) > 1000) ++queuedLate;
        },
        Qt::DirectConnection);
    QObject::connect(
        player, &RavlixPlayer::sigCurrentPositionUpdated, probe,
        [&](long ms) {
            if (ms > 1000) ++sentLate;
        },
        Qt::DirectConnection);
    playTo(1500);
    // The main thread hands nothing on until the video thread has queued more positions than it
    // sent; the open comes while they are pending.
    const int sentAtOpen = sentLate;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (queuedLate <= sentAtOpen && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(queuedLate.load(), sentAtOpen) << "no position of the long file was pending";
    player->open(QString::fromStdString(files().shorter));
    // Queued before the new file's announcement, the pending positions have been handled by then.
    ASSERT_TRUE(waitFor([&] { return probe->count(Kind::VideoChanged) == 2; }, 5000));
    EXPECT_EQ(sentAtOpen, sentLate) << "a pending position of the long file was sent";
    // A loaded machine may take a while to send anything of the new file.
    EXPECT_TRUE(waitFor([&] { return !probe->eventsAfter(Kind::VideoChanged, 2).empty(); }, 5000));

    const GyroInfoList records = player->getAllGyroInfo();
    int seen = 0;
    int late = 0;
    for (const SignalProbe::Event& e : probe->eventsAfter(Kind::VideoChanged, 2)) {
        if (e.kind == Kind::Position && e.value > 1000) ++late;
        if (e.kind == Kind::Gyro) {
            EXPECT_GE(records.indexOf(e.info.get()), 0) << e.value;
        }
        ++seen;
    }
    EXPECT_GT(seen, 0);
    EXPECT_EQ(0, late);
}

// The old session is held inside its last frame hand-over while the next file opens: nothing it
// reports may follow the new file's announcement.
TEST_F(RavlixPlayerTest, AFrameHandedOverDuringTheSwitchReportsNothing) {
    openAndWait(files().trip60);
    std::atomic<bool> hold{false};
    std::atomic<bool> held{false};
    QObject::connect(
        player, &RavlixPlayer::sigFrameUpdated, probe,
        [&] {
            if (!hold.exchange(false)) return;
            held = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        },
        Qt::DirectConnection);
    playTo(1100);
    hold = true;
    ASSERT_TRUE(waitFor([&] { return held.load(); }, 5000));
    player->open(QString::fromStdString(files().shorter));
    ASSERT_TRUE(waitFor([&] { return probe->count(Kind::FrameExtracted) >= 2; }, 10000));
    settle(200);

    const GyroInfoList records = player->getAllGyroInfo();
    for (const SignalProbe::Event& e : probe->eventsAfter(Kind::VideoChanged, 2)) {
        if (e.kind == Kind::Position) {
            EXPECT_EQ(0, e.value) << "a position of the old file";
        }
        if (e.kind == Kind::Gyro) {
            EXPECT_GE(records.indexOf(e.info.get()), 0) << "record " << e.value;
        }
    }
}

// The controller keeps only the open file's records; the earlier file's live exactly as long as
// one of them is held (by a panel, a queued report) and go with the last holder.
TEST_F(RavlixPlayerTest, RecordsOfAnEarlierFileLiveAsLongAsOneIsHeld) {
    openAndWait(files().trip60);
    ASSERT_EQ(60, player->getAllGyroInfo().size());
    SharedGyroInfo held = player->getAllGyroInfo().at(59);
    const std::weak_ptr<const GyroInfo> other = player->getAllGyroInfo().at(7);
    const float latitude = held->latitude;
    openAndWait(files().longer);
    ASSERT_EQ(4, player->getAllGyroInfo().size());
    EXPECT_FALSE(other.expired()) << "held through record 59";
    EXPECT_EQ(latitude, held->latitude);
    held.reset();
    ASSERT_FALSE(other.expired()) << "the probe holds the record sent with the first frame";
    probe->clear();
    EXPECT_TRUE(other.expired());
}

TEST_F(RavlixPlayerTest, StillFrameOfAnEarlierOpenNeverCountsForTheNextOne) {
    // A good file, then at once an unreadable one: the first file's still
    // frame, still on its way, must neither show nor hide the failure. The
    // first open, replaced before its records were read, announces nothing.
    for (int round = 0; round < 20; ++round) {
        probe->clear();
        player->open(QString::fromStdString(files().shorter));
        player->open(QString::fromStdString(files().zero));
        ASSERT_TRUE(waitFor([&] { return probe->count(Kind::OpenFailed) > 0; }, 10000))
            << "round " << round;
        settle(100);
        EXPECT_EQ((std::vector<Kind>{Kind::VideoChanged, Kind::OpenFailed}), probe->order())
            << "round " << round;
    }
    // Two good files: the still frame shown is the second one's.
    probe->clear();
    player->open(QString::fromStdString(files().red));
    openAndWait(files().shorter);
    settle(300);
    ASSERT_EQ(1, probe->count(Kind::FrameExtracted));
    EXPECT_EQ(96, probe->events(Kind::FrameExtracted).front().frame.width());
}

TEST_F(RavlixPlayerTest, PureRedPlaysAsBgraWithPackedRows) {
    openAndWait(files().red);
    const QtAV::VideoFrame still = probe->events(Kind::FrameExtracted).front().frame;
    expectRedBgra(QtAV::VideoFrameConverter().convert(still, QtAV::VideoFormat::Format_BGRA32));
    player->play();
    ASSERT_TRUE(waitFor([&] { return probe->count(Kind::FrameUpdated) > 2; }, 10000));
    player->stop();
    expectRedBgra(probe->events(Kind::FrameUpdated).back().frame);
}

TEST_F(RavlixPlayerTest, VolumeAndTheCurrentController) {
    player->setVolume(0.25);
    EXPECT_DOUBLE_EQ(0.25, player->getVolume());
    RavlixPlayer* second = RavlixPlayer::newPlayer(nullptr);
    EXPECT_EQ(second, RavlixPlayer::currentPlayer());
    RavlixPlayer::deletePlayer(nullptr);
    RavlixPlayer::deletePlayer(second);
    EXPECT_EQ(nullptr, RavlixPlayer::currentPlayer());
}

}  // namespace
