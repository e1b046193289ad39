// Times from files converted to stream ticks stay defined for absurd values.
#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "FFMpegMediaInput.h"
#include "QtavFixture.h"

namespace {

TEST(MediaTimes, SecondsToTicksClampsWhatDoesNotFit) {
    const QString clip = QtavFixture::make("ticks", {0.5, 30, true, false});
    ASSERT_FALSE(clip.isEmpty());
    FFMpegMediaInput input("MediaTimes", "open failed: %s %d %s");
    ASSERT_EQ(0, input.openVideoStream(clip.toUtf8().constData()));
    const double ticksPerSecond = 1 / av_q2d(input.stream()->time_base);
    EXPECT_EQ(int64_t(ticksPerSecond), input.secondsToTicks(1.0));
    EXPECT_EQ(INT64_MAX, input.secondsToTicks(1e30));
    EXPECT_EQ(INT64_MAX, input.secondsToTicks(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(INT64_MIN, input.secondsToTicks(-1e30));
    EXPECT_EQ(INT64_MIN, input.secondsToTicks(std::nan("")));
}

}  // namespace
