#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include "AVPlayer.h"
#include "EventWait.h"
#include "MovieFixtures.h"
#include "QtavFixture.h"
#include "TestEnv.h"
#include "VideoOutput.h"

using QtAV::AVPlayer;
using QtAV::VideoFormat;
using QtAV::VideoFrame;

namespace {

constexpr double kFrameSec = 1.0 / 30;

// Records every frame it receives, with the index drawn into it.
class Recorder : public QtAV::VideoRenderer {
  public:
    struct Shot {
        double t;
        int index;
        VideoFormat::PixelFormat format;
        int bytesPerLine;
        qint64 wallMs;
    };

    std::vector<Shot> shots() {
        std::lock_guard<std::mutex> locker(lock);
        return recorded;
    }
    size_t count() {
        std::lock_guard<std::mutex> locker(lock);
        return recorded.size();
    }
    Shot last() {
        std::lock_guard<std::mutex> locker(lock);
        return recorded.back();
    }

    std::atomic<bool> closed{false};  // set by a test once the player must be silent
    std::atomic<int> afterClose{0};   // frames received while closed
    std::atomic<int> delayMs{0};      // time each receive takes
    std::atomic<int> busy{0};         // receives in progress

  protected:
    bool receiveFrame(const VideoFrame& frame) override {
        ++busy;
        if (closed) ++afterClose;
        if (delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        const Shot shot{frame.timestamp(), QtavFixture::frameIndex(frame), frame.pixelFormat(),
                        frame.bytesPerLine(), wall.elapsed()};
        {
            std::lock_guard<std::mutex> locker(lock);
            recorded.push_back(shot);
        }
        --busy;
        return true;
    }

  private:
    std::mutex lock;
    std::vector<Shot> recorded;
    QElapsedTimer wall = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

using EventWait::settle;
using EventWait::waitFor;

// Index of the first frame at or after `ms`.
int firstIndexAtOrAfter(qint64 ms) { return int(std::ceil(ms * 30 / 1000.0 - 1e-6)); }

void expectMatchesTimestamp(const Recorder::Shot& shot) {
    EXPECT_EQ(int(std::lround(shot.t * 30)), shot.index) << "t " << shot.t;
}

class AVPlayerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        longClip = new QString(QtavFixture::make("long", {}));
        shortClip = new QString(QtavFixture::make("short", {1.0, 30, true, true}));
        audioClip = new QString(QtavFixture::make("audio", {1.2, 30, false, true}));
    }
    static void TearDownTestSuite() {
        delete longClip;
        delete shortClip;
        delete audioClip;
    }
    void SetUp() override {
        ASSERT_FALSE(longClip->isEmpty());
        ASSERT_FALSE(shortClip->isEmpty());
        ASSERT_FALSE(audioClip->isEmpty());
        player.setRenderer(&recorder);
        player.setNotifyInterval(100);
    }

    // Starts the long clip and waits for `frames` frames.
    void playLong(size_t frames) {
        player.setFile(*longClip);
        player.play();
        ASSERT_TRUE(waitFor([&] { return recorder.count() >= frames; }, 5000));
    }

    static QString* longClip;
    static QString* shortClip;
    static QString* audioClip;
    Recorder recorder;
    AVPlayer player;
};

QString* AVPlayerTest::longClip = nullptr;
QString* AVPlayerTest::shortClip = nullptr;
QString* AVPlayerTest::audioClip = nullptr;

TEST_F(AVPlayerTest, LoadReturnsWithTheDuration) {
    QSignalSpy loaded(&player, &AVPlayer::loaded);
    player.setFile(*longClip);
    ASSERT_TRUE(player.load());
    EXPECT_NEAR(3000, player.duration(), 100);
    EXPECT_TRUE(player.isLoaded());
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
    EXPECT_EQ(1, loaded.count());
    settle(100);
    EXPECT_EQ(0u, recorder.count());
}

TEST_F(AVPlayerTest, BadFilesFailToLoad) {
    const QString dir = QString::fromStdString(TestEnv::makeDir("bad"));
    QFile empty(dir + "/empty.mp4");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile noise(dir + "/noise.mp4");
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    QByteArray bytes(100000, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919 + 13) % 251);
    noise.write(bytes);
    noise.close();
    for (const QString& path :
         {dir + "/missing.mp4", empty.fileName(), noise.fileName(), QString()}) {
        AVPlayer bad;
        QSignalSpy errors(&bad, &AVPlayer::error);
        bad.setRenderer(&recorder);
        bad.setFile(path);
        EXPECT_FALSE(bad.load()) << path.toStdString();
        EXPECT_EQ(1, errors.count()) << path.toStdString();
        EXPECT_EQ(0, bad.duration());
        bad.play();
        EXPECT_EQ(AVPlayer::StoppedState, bad.state());
    }
    settle(100);
    EXPECT_EQ(0u, recorder.count());
}

TEST_F(AVPlayerTest, PlayDeliversFramesInOrderAtRealTimeRate) {
    QSignalSpy positions(&player, &AVPlayer::positionChanged);
    playLong(1);
    ASSERT_TRUE(waitFor([&] { return recorder.last().t >= 1.0; }, 5000));
    const std::vector<Recorder::Shot> shots = recorder.shots();
    EXPECT_EQ(0, shots.front().index);
    for (size_t i = 0; i < shots.size(); ++i) {
        expectMatchesTimestamp(shots[i]);
        if (i > 0) {
            EXPECT_GT(shots[i].t, shots[i - 1].t);
        }
    }
    const double media = shots.back().t - shots.front().t;
    const double wall = (shots.back().wallMs - shots.front().wallMs) / 1000.0;
    EXPECT_GT(wall, media * 0.6) << "frames come faster than real time";
    EXPECT_LT(wall, media * 3 + 0.5) << "frames come far slower than real time";
    EXPECT_GE(positions.count(), 3);
    EXPECT_EQ(AVPlayer::PlayingState, player.state());
    EXPECT_TRUE(player.isPlaying());
}

// Frames are shown when the clock reaches them, and pausing stops the clock at once: the frame
// that was past its wait may still come, but nothing later than the stopped clock.
TEST_F(AVPlayerTest, PauseFreezesFramesAndPosition) {
    playLong(10);
    player.pause(true);
    EXPECT_TRUE(player.isPaused());
    const size_t countAtPause = recorder.count();
    const qint64 frozenPosition = player.position();
    settle(400);
    const size_t frozenCount = recorder.count();
    EXPECT_LE(frozenCount, countAtPause + 1);
    EXPECT_EQ(frozenPosition, player.position());
    for (const Recorder::Shot& shot : recorder.shots())
        EXPECT_LE(shot.t, frozenPosition / 1000.0 + 0.001) << "a frame ahead of the stopped clock";
    const double lastT = recorder.last().t;

    player.play();  // resumes
    EXPECT_EQ(AVPlayer::PlayingState, player.state());
    ASSERT_TRUE(waitFor([&] { return recorder.count() >= frozenCount + 5; }, 3000));
    const std::vector<Recorder::Shot> shots = recorder.shots();
    EXPECT_GT(shots[frozenCount].t, lastT);
    EXPECT_LT(shots[frozenCount].t - lastT, 0.2) << "resume jumped";
}

TEST_F(AVPlayerTest, SeekWhilePlayingLandsOnFirstFrameAtOrAfterTarget) {
    struct Case {
        double playTo;  // seconds of media to play before seeking
        qint64 target;  // ms
    };
    for (const Case c : {Case{0.2, 2010}, Case{1.5, 510}, Case{0.2, 0}}) {
        Recorder local;
        player.setRenderer(&local);
        player.stop();
        player.setFile(*longClip);
        player.play();
        ASSERT_TRUE(waitFor([&] { return local.count() > 0 && local.last().t >= c.playTo; }, 5000));
        const size_t before = local.count();
        const double lastBefore = local.last().t;
        player.seek(c.target);
        ASSERT_TRUE(waitFor([&] { return local.count() >= before + 5; }, 3000));
        const std::vector<Recorder::Shot> all = local.shots();
        std::vector<Recorder::Shot> after(all.begin() + before, all.end());
        const int expected = firstIndexAtOrAfter(c.target);
        // One frame may have been on its way when seek() was called.
        if (std::fabs(after.front().t - lastBefore - kFrameSec) < 0.01 &&
            after.front().index != expected)
            after.erase(after.begin());
        EXPECT_EQ(expected, after.front().index) << "target " << c.target;
        EXPECT_NEAR(expected * kFrameSec, after.front().t, 0.002);
        for (size_t i = 1; i < after.size(); ++i) {
            EXPECT_GT(after[i].t, after[i - 1].t);
            expectMatchesTimestamp(after[i]);
        }
        player.stop();
    }
}

// Once seek() returns no frame from before it follows, so counting starts there.
TEST_F(AVPlayerTest, SeekWhilePausedShowsExactlyOneFrame) {
    playLong(3);
    player.pause();
    for (qint64 target : {qint64(1510), qint64(250), qint64(2990), qint64(999999)}) {
        player.seek(target);
        const size_t count = recorder.count();
        ASSERT_TRUE(waitFor([&] { return recorder.count() > count; }, 10000)) << target;
        settle(200);  // room for a second frame, which must not come
        ASSERT_EQ(count + 1, recorder.count()) << "target " << target;
        const int expected = std::min(firstIndexAtOrAfter(target), 89);
        EXPECT_EQ(expected, recorder.last().index) << "target " << target;
        EXPECT_EQ(AVPlayer::PausedState, player.state());
    }
    player.seek(250);
    size_t count = recorder.count();
    ASSERT_TRUE(waitFor([&] { return recorder.count() > count; }, 10000));
    count = recorder.count();
    player.pause(false);
    ASSERT_TRUE(waitFor([&] { return recorder.count() >= count + 5; }, 3000));
    EXPECT_EQ(firstIndexAtOrAfter(250) + 1, recorder.shots()[count].index);
}

TEST_F(AVPlayerTest, StopJoinsThreadsSoNoFrameFollows) {
    recorder.delayMs = 15;
    player.setFile(*longClip);
    for (int round = 0; round < 4; ++round) {
        recorder.closed = false;
        player.play();
        if (round % 2) {
            ASSERT_TRUE(waitFor([&] { return recorder.count() > 0; }, 3000));
        }
        player.stop();
        recorder.closed = true;
        EXPECT_EQ(AVPlayer::StoppedState, player.state());
        EXPECT_EQ(0, player.position());
        settle(150);
        EXPECT_EQ(0, recorder.afterClose) << "round " << round;
    }
}

TEST_F(AVPlayerTest, RepeatForeverSurvivesStopAndRestarts) {
    QSignalSpy repeated(&player, &AVPlayer::repeated);
    player.setRepeat(-1);
    player.setFile(*shortClip);
    player.play();
    player.stop();
    EXPECT_EQ(-1, player.repeat());
    player.play();
    // A restart shows as a frame earlier than the one before it, and starts at frame 0.
    auto restarts = [&] {
        const std::vector<Recorder::Shot> shots = recorder.shots();
        int found = 0;
        for (size_t i = 1; i < shots.size(); ++i) {
            if (shots[i].t < shots[i - 1].t) {
                ++found;
                EXPECT_EQ(0, shots[i].index);
            }
        }
        return found;
    };
    ASSERT_TRUE(waitFor([&] { return repeated.count() >= 2 && restarts() >= 2; }, 8000));
    EXPECT_EQ(AVPlayer::PlayingState, player.state());
}

TEST_F(AVPlayerTest, MediaEndFollowsActionAndRepeat) {
    struct Case {
        QtAV::MediaEndAction action;
        int repeat;
        AVPlayer::State finalState;
        bool keepsFrame;
        int ends;
    };
    const Case cases[] = {
        {QtAV::MediaEndAction_Default, 0, AVPlayer::StoppedState, false, 1},
        {QtAV::MediaEndAction_KeepDisplay, 0, AVPlayer::StoppedState, true, 1},
        {QtAV::MediaEndAction_Pause, 0, AVPlayer::PausedState, true, 1},
        {QtAV::MediaEndAction_KeepDisplay, 1, AVPlayer::StoppedState, true, 2},
    };
    for (const Case& c : cases) {
        QtAV::VideoOutput output;
        AVPlayer local;
        QSignalSpy ended(&local, &AVPlayer::mediaEnded);
        local.setRenderer(&output);
        local.setMediaEndAction(c.action);
        local.setRepeat(c.repeat);
        local.setFile(*shortClip);
        local.play();
        ASSERT_TRUE(waitFor([&] { return ended.count() >= c.ends; }, 3000 * c.ends + 2000));
        settle(100);
        EXPECT_EQ(c.ends, ended.count());
        EXPECT_EQ(c.finalState, local.state());
        EXPECT_EQ(c.keepsFrame, output.currentFrame().isValid());
        EXPECT_EQ(c.repeat, local.repeat());
    }
}

TEST_F(AVPlayerTest, ForcedPreferredFormatGivesPackedBgra) {
    for (bool forced : {true, false}) {
        Recorder local;
        local.forcePreferredPixelFormat(forced);
        player.setRenderer(&local);
        player.stop();
        player.setFile(*longClip);
        player.play();
        ASSERT_TRUE(waitFor([&] { return local.count() >= 5; }, 5000));
        player.stop();
        for (const Recorder::Shot& shot : local.shots()) {
            if (forced) {
                EXPECT_EQ(VideoFormat::Format_BGRA32, shot.format);
                EXPECT_EQ(QtavFixture::kWidth * 4, shot.bytesPerLine);
            } else {
                EXPECT_EQ(VideoFormat::Format_YUV420P, shot.format);
            }
            expectMatchesTimestamp(shot);
        }
    }
}

TEST_F(AVPlayerTest, AudioOnlyFilePlaysAtRealTimeRateAndEnds) {
    QSignalSpy ended(&player, &AVPlayer::mediaEnded);
    player.audio()->setVolume(0.3);
    player.setFile(*audioClip);
    ASSERT_TRUE(player.load());
    EXPECT_NEAR(1200, player.duration(), 100);
    QElapsedTimer wall;
    wall.start();
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.position() > 300; }, 3000));
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }, 5000));
    EXPECT_GT(wall.elapsed(), 700) << "sound was not consumed at real-time rate";
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
    EXPECT_DOUBLE_EQ(0.3, player.audio()->volume());
    EXPECT_EQ(0u, recorder.count());
}

TEST_F(AVPlayerTest, SoundWhoseFormatChangesMidFilePlaysToTheEnd) {
    const QString changing = QtavFixture::makeAudioFormatChange("formatChange");
    ASSERT_FALSE(changing.isEmpty());
    QSignalSpy ended(&player, &AVPlayer::mediaEnded);
    player.setFile(changing);
    ASSERT_TRUE(player.load());
    player.play();
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }, 5000));
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
}

TEST_F(AVPlayerTest, PlayWhilePlayingAndPauseWhileStoppedChangeNothing) {
    QSignalSpy states(&player, &AVPlayer::stateChanged);
    player.pause(true);
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
    EXPECT_EQ(0, states.count());
    playLong(10);
    const size_t before = recorder.count();
    player.play();
    ASSERT_TRUE(waitFor([&] { return recorder.count() >= before + 3; }, 5000));
    EXPECT_EQ(1, states.count());
    const std::vector<Recorder::Shot> shots = recorder.shots();
    for (size_t i = before; i < shots.size(); ++i)
        EXPECT_GT(shots[i].t, shots[i - 1].t) << "play() restarted the clip";
    player.seek(1000);  // only while running: stopped seeks change nothing
    player.stop();
    player.seek(2000);
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
}

TEST_F(AVPlayerTest, ReplacedRendererReceivesNothingOnceSetRendererReturns) {
    Recorder first;
    Recorder second;
    first.delayMs = second.delayMs = 25;  // a receive is in progress most of the time
    Recorder* active = &first;
    player.setRenderer(active);
    player.setFile(*longClip);
    player.play();
    for (int swap = 0; swap < 12; ++swap) {
        const size_t before = active->count();
        ASSERT_TRUE(
            waitFor([&] { return active->count() >= before + 2 && active->busy > 0; }, 3000));
        Recorder* next = active == &first ? &second : &first;
        next->closed = false;
        player.setRenderer(next);
        active->closed = true;
        EXPECT_EQ(0, active->busy.load()) << "swap " << swap;
        active = next;
    }
    player.setRenderer(nullptr);
    active->closed = true;
    EXPECT_EQ(0, active->busy.load());
    settle(150);
    EXPECT_EQ(0, first.afterClose.load());
    EXPECT_EQ(0, second.afterClose.load());
}

TEST_F(AVPlayerTest, NoFrameFromBeforeTheSeekFollowsItsReturn) {
    recorder.delayMs = 25;
    playLong(3);
    for (qint64 target : {qint64(1000), qint64(1800), qint64(2500)}) {
        ASSERT_TRUE(waitFor([&] { return recorder.busy > 0; }, 3000));
        player.seek(target);
        const size_t mark = recorder.count();
        ASSERT_TRUE(waitFor([&] { return recorder.count() >= mark + 3; }, 3000));
        const std::vector<Recorder::Shot> shots = recorder.shots();
        for (size_t i = mark; i < shots.size(); ++i)
            EXPECT_GE(shots[i].t, target / 1000.0 - 0.002) << "target " << target;
    }
}

TEST_F(AVPlayerTest, HugeTimeStampsKeepThePlayerResponsive) {
    const QString huge = QtavFixture::makeHugeTimestamps("huge");
    ASSERT_FALSE(huge.isEmpty());
    player.setFile(huge);
    ASSERT_TRUE(player.load());
    EXPECT_GT(player.duration(), qint64(16777216) * 1000);
    player.play();
    ASSERT_TRUE(waitFor([&] { return recorder.count() >= 1; }, 3000));
    settle(100);  // the video thread now waits for a frame 2^24 s ahead
    QElapsedTimer wall;
    wall.start();
    const qint64 position = player.position();
    player.pause(true);
    player.seek(1000);
    player.pause(false);
    player.stop();
    EXPECT_LT(wall.elapsed(), 1000) << "the player blocked";
    EXPECT_GE(position, 0);
    EXPECT_LE(position, player.duration());
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
}

TEST_F(AVPlayerTest, RepeatOfARunWithoutFramesEndsPlayback) {
    const QString broken = QtavFixture::makeUndecodable("undecodable");
    ASSERT_FALSE(broken.isEmpty());
    QSignalSpy ended(&player, &AVPlayer::mediaEnded);
    QSignalSpy repeated(&player, &AVPlayer::repeated);
    player.setRepeat(-1);
    player.setFile(broken);
    ASSERT_TRUE(player.load());
    player.play();
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }, 5000));
    settle(500);
    EXPECT_EQ(1, ended.count());
    EXPECT_EQ(0, repeated.count());
    EXPECT_EQ(AVPlayer::StoppedState, player.state());
    EXPECT_EQ(0u, recorder.count());
}

// A file cut short or overwritten with zeros while it plays (the moov box read long before): the
// run ends with an error where the damage begins, instead of looping over the part still there
// or stopping without a word. The clip is longer than the player holds read ahead (the read
// buffer and the packet queues: some five seconds of this small clip), so the damage reaches
// packets not yet read.
TEST_F(AVPlayerTest, FileDamagedWhilePlayingFailsInsteadOfRepeating) {
    constexpr double kClipSec = 10;
    for (const PlayingFileDamage& c : playingFileDamages()) {
        const QString path = QtavFixture::make(c.name, {kClipSec, 30, true, true});
        ASSERT_FALSE(path.isEmpty());
        Recorder local;
        QSignalSpy errors(&player, &AVPlayer::error);
        QSignalSpy repeated(&player, &AVPlayer::repeated);
        player.stop();
        player.setRenderer(&local);
        player.setRepeat(-1);
        player.setMediaEndAction(QtAV::MediaEndAction_KeepDisplay);
        player.setFile(path);
        player.play();
        ASSERT_TRUE(waitFor([&] { return local.count() >= 5; }, 5000)) << c.name;
        ASSERT_TRUE(c.apply(path)) << c.name;
        ASSERT_TRUE(waitFor([&] { return errors.count() > 0; }, int(kClipSec * 1000) + 2000))
            << c.name;
        settle(300);
        EXPECT_EQ(1, errors.count()) << c.name;
        EXPECT_EQ(0, repeated.count()) << c.name;
        EXPECT_EQ(AVPlayer::StoppedState, player.state()) << c.name;
        const std::vector<Recorder::Shot> shots = local.shots();
        for (size_t i = 1; i < shots.size(); ++i)
            EXPECT_GT(shots[i].t, shots[i - 1].t) << c.name << ": the head was shown again";
        EXPECT_LT(shots.back().t, kClipSec - 0.5) << c.name;
    }
}

}  // namespace
