// The latest-frame hand-over between the video thread and the main thread.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>
#include <QImage>

#include "FrameMailbox.h"

namespace {

QtAV::VideoFrame frameAt(double seconds) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QtAV::VideoFrame frame(image);
    frame.setTimestamp(seconds);
    return frame;
}

TEST(FrameMailboxTest, KeepsTheNewestAndWakesOncePerHandOver) {
    FrameMailbox box;
    int wakes = 0;
    auto wake = [&] { ++wakes; };
    for (int i = 0; i < 5; ++i) box.put(frameAt(i), wake);
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(box.dropped(), 4u);
    EXPECT_DOUBLE_EQ(box.take().timestamp(), 4.0);
    EXPECT_FALSE(box.take().isValid()) << "taken frames leave the box empty";
    box.put(frameAt(5), wake);
    EXPECT_EQ(wakes, 2);
    EXPECT_DOUBLE_EQ(box.take().timestamp(), 5.0);
}

TEST(FrameMailboxTest, ClosedBoxKeepsNothingAndWakesNobody) {
    FrameMailbox box;
    int wakes = 0;
    box.put(frameAt(1), [&] { ++wakes; });
    box.close();
    EXPECT_FALSE(box.take().isValid());
    box.put(frameAt(2), [&] { ++wakes; });
    EXPECT_EQ(wakes, 1);
    EXPECT_FALSE(box.take().isValid());
}

// A producer far faster than its consumer: every frame is either taken or counted as dropped,
// and never more than one wake-up waits untaken.
TEST(FrameMailboxTest, FastProducerSlowConsumerLosesCountOfNothing) {
    FrameMailbox box;
    std::atomic<int> pendingWakes{0};
    std::atomic<int> maxPending{0};
    const int kFrames = 2000;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int i = 0; i < kFrames; ++i)
            box.put(frameAt(i), [&] {
                const int now = ++pendingWakes;
                maxPending = std::max(maxPending.load(), now);
            });
        done = true;
    });
    int taken = 0;
    double last = -1;
    for (;;) {
        const bool finished = done;
        if (pendingWakes > 0) {
            --pendingWakes;
            const QtAV::VideoFrame frame = box.take();
            ASSERT_TRUE(frame.isValid());
            EXPECT_GT(frame.timestamp(), last) << "frames come in order";
            last = frame.timestamp();
            ++taken;
        } else if (finished) {
            break;
        }
    }
    producer.join();
    EXPECT_EQ(maxPending.load(), 1);
    EXPECT_EQ(taken + int(box.dropped()), kFrames);
    EXPECT_DOUBLE_EQ(last, kFrames - 1);
}

}  // namespace
