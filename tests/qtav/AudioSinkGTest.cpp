#include <chrono>
#include <thread>

#include <gtest/gtest.h>
#include <QByteArray>

#include "NullAudioSink.h"

using QtAV::NullAudioSink;

namespace {
void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
// 48 kHz stereo 16-bit: 192000 bytes a second.
constexpr qint64 kBytesPerSecond = 48000 * 2 * 2;
}  // namespace

TEST(NullAudioSink, ConsumesAtRealTimeRate) {
    NullAudioSink sink(48000, 2);
    const qint64 capacity = sink.bytesFree();
    EXPECT_GT(capacity, kBytesPerSecond / 10);
    EXPECT_LE(capacity, kBytesPerSecond / 2);
    const QByteArray data(capacity * 2, '\0');
    EXPECT_EQ(capacity, sink.write(data.constData(), data.size()));
    EXPECT_LT(sink.bytesFree(), kBytesPerSecond / 100);
    sleepMs(100);
    const qint64 freed = sink.bytesFree();
    // 100 ms of sound at least, and never more than it holds.
    EXPECT_GE(freed, kBytesPerSecond / 10 - kBytesPerSecond / 100);
    EXPECT_LE(freed, capacity);
}

TEST(NullAudioSink, SuspendedSinkConsumesNothing) {
    NullAudioSink sink(48000, 2);
    const QByteArray data(sink.bytesFree(), '\0');
    sink.write(data.constData(), data.size());
    sink.suspend();
    const qint64 before = sink.bytesFree();
    sleepMs(60);
    EXPECT_EQ(before, sink.bytesFree());
    sink.resume();
    sleepMs(60);
    EXPECT_GT(sink.bytesFree(), before);
    sink.reset();
    EXPECT_EQ(data.size(), sink.bytesFree());
    EXPECT_TRUE(sink.isSilent());
}
