#include <chrono>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "AVClock.h"
#include "AudioOutput.h"

using QtAV::AVClock;

namespace {
void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

TEST(AVClock, StandsStillWhilePausedAndRunsOtherwise) {
    AVClock clock;
    EXPECT_TRUE(clock.isPaused());
    clock.updateValue(5.0);
    sleepMs(30);
    EXPECT_DOUBLE_EQ(5.0, clock.value());
    clock.pause(false);
    sleepMs(50);
    const double running = clock.value();
    EXPECT_GT(running, 5.0);
    clock.pause(true);
    const double frozen = clock.value();
    EXPECT_GE(frozen, running);
    sleepMs(30);
    EXPECT_DOUBLE_EQ(frozen, clock.value());
}

TEST(AVClock, UpdateRebasesARunningClock) {
    AVClock clock;
    clock.pause(false);
    sleepMs(20);
    clock.updateValue(1.0);
    const double v = clock.value();
    EXPECT_GE(v, 1.0);
    EXPECT_LT(v, 1.5);
    EXPECT_FALSE(clock.isPaused());
    clock.reset();
    EXPECT_TRUE(clock.isPaused());
    EXPECT_DOUBLE_EQ(0.0, clock.value());
}

TEST(AVClock, TypeIsKeptAndEndsAutomaticChoice) {
    AVClock clock;
    EXPECT_TRUE(clock.isClockAuto());
    clock.setClockType(AVClock::VideoClock);
    EXPECT_EQ(2, int(clock.clockType()));
    EXPECT_FALSE(clock.isClockAuto());
}

TEST(AudioOutput, VolumeIsClamped) {
    QtAV::AudioOutput audio;
    EXPECT_DOUBLE_EQ(1.0, audio.volume());
    const struct {
        double in, out;
    } cases[] = {{0.4, 0.4}, {-1, 0}, {3, 1}, {0, 0}, {1, 1}, {std::nan(""), 0}};
    for (const auto& c : cases) {
        audio.setVolume(c.in);
        EXPECT_DOUBLE_EQ(c.out, audio.volume()) << c.in;
    }
    audio.setVolume(0.5);
    audio.setMute(true);
    EXPECT_DOUBLE_EQ(0.0, audio.effectiveGain());
    EXPECT_DOUBLE_EQ(0.5, audio.volume());
    audio.setMute(false);
    EXPECT_DOUBLE_EQ(0.5, audio.effectiveGain());
}
