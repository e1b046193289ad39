// Date conversions under pinned time zones (all dates as standard time, tm_isdst = 0).
#include <string>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TimeUtil.h"

namespace {

class TimeUtilTest : public testing::Test {
  protected:
    void TearDown() override { TestEnv::setTimeZone(""); }
};

struct ZoneCase {
    const char* zone;
    int bias;                // getGMTBias()
    int offset;              // offsetFromUtc()
    long long midnight2000;  // fromYMD(2000, 1, 1)
};

}  // namespace

TEST_F(TimeUtilTest, ZonesTable) {
    const ZoneCase cases[] = {
        {"UTC", 0, 0, 946684800000LL},
        {"Asia/Tokyo", 9, 32400, 946684800000LL - 32400000LL},
        {"America/New_York", -5, -18000, 946684800000LL + 18000000LL},
        {"Asia/Kolkata", 5, 19800, 946684800000LL - 19800000LL},
        {"Europe/Berlin", 1, 3600, 946684800000LL - 3600000LL},
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.zone);
        TestEnv::setTimeZone(c.zone);
        EXPECT_EQ(TimeUtil::getGMTBias(), c.bias);
        EXPECT_EQ(TimeUtil::offsetFromUtc(), c.offset);
        EXPECT_EQ(TimeUtil::fromYMD(2000, 1, 1), c.midnight2000);
        EXPECT_EQ(TimeUtil::fromYMDHMS(1970, 1, 1, 0, 0, 0, false), 0);
        EXPECT_EQ(TimeUtil::fromYMDHMS(2000, 1, 1, 0, 0, 0, true), c.midnight2000);
        EXPECT_EQ(TimeUtil::cutToDate(c.midnight2000 + 12 * 3600000LL + 1234), c.midnight2000);
    }
}

TEST_F(TimeUtilTest, SummerDatesAreStandardTime) {
    TestEnv::setTimeZone("Europe/Berlin");
    // 2026-07-01 00:00 at UTC+1 (standard time), not 23:00 the day before in summer time.
    EXPECT_EQ(TimeUtil::fromYMD(2026, 7, 1), 1782860400000LL);
    EXPECT_EQ(TimeUtil::fromYMDHMS(2026, 7, 1, 12, 0, 0, true), 1782860400000LL + 12 * 3600000LL);
    // UTC fields stay UTC whatever the zone's summer time.
    EXPECT_EQ(TimeUtil::fromYMDHMS(2026, 7, 1, 0, 0, 0, false), 1782864000000LL);
    EXPECT_EQ(TimeUtil::fromYMDHMS(2026, 1, 1, 0, 0, 0, false), 1767225600000LL);
}

TEST_F(TimeUtilTest, DatesOfInstants) {
    TestEnv::setTimeZone("Asia/Tokyo");
    const long long utcLateEvening = 1767221999000LL;  // 2025-12-31 22:59:59 UTC
    int y = 0, m = 0, d = 0;
    TimeUtil::getYMD(utcLateEvening, false, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20251231);
    TimeUtil::getYMD(utcLateEvening, true, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20260101);
    TimeUtil::getYMDWithGMTBias(utcLateEvening, 9, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20260101);
    TimeUtil::getYMDWithGMTBias(utcLateEvening, 0, &y, &m, &d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20251231);
    EXPECT_TRUE(TimeUtil::isSameDay(utcLateEvening, utcLateEvening - 7 * 3600000LL));
    EXPECT_FALSE(TimeUtil::isSameDay(utcLateEvening, utcLateEvening - 8 * 3600000LL));
    EXPECT_EQ(TimeUtil::cutToDate(utcLateEvening), TimeUtil::fromYMD(2026, 1, 1));
}
