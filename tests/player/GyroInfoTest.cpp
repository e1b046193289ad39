// The stored record's byte layout and the conversions of GyroInfo.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "GyroInfo.h"
#include "GyroRawInfo.h"
#include "TripRecord.h"

namespace {

TEST(GyroRawInfoTest, DecodesTheStoredLayout) {
    const unsigned char stored[GyroRawInfo::kSize] = {
        0x09, 0,    0,    0,    0x1e, 0,    0, 0, 0x3b, 0, 0, 0, 0xea, 0x07, 0, 0,  // 9:30:59 2026
        0x0c, 0,    0,    0,    0x0a, 0,    0, 0,                                   // 12-10
        'A',  'N',  'E',  0x77,                                                     // chars, unused
        0x00, 0x58, 0x5d, 0x45,                                                     // 3541.5f
        0x00, 0xe4, 0x59, 0x46,                                                     // 13945.0f
        0x00, 0x00, 0x20, 0x41,                                                     // 10.0f
        0x00, 0x00, 0x34, 0x43,                                                     // 180.0f
        0xfe, 0xff, 0x02, 0x00, 0x00, 0x80,                                         // -2, 2, -32768
        0x55, 0x55};
    GyroRawInfo raw = GyroRawInfo::fromBytes(stored);
    EXPECT_EQ(raw.hour, 9);
    EXPECT_EQ(raw.minute, 30);
    EXPECT_EQ(raw.second, 59);
    EXPECT_EQ(raw.year, 2026);
    EXPECT_EQ(raw.month, 12);
    EXPECT_EQ(raw.day, 10);
    EXPECT_EQ(std::string(raw.rawChars, 3), "ANE");
    EXPECT_EQ(raw.latitude, 3541.5f);
    EXPECT_EQ(raw.longitude, 13945.0f);
    EXPECT_EQ(raw.speed, 10.0f);
    EXPECT_EQ(raw.direction, 180.0f);
    EXPECT_EQ(raw.gSensorX, -2);
    EXPECT_EQ(raw.gSensorY, 2);
    EXPECT_EQ(raw.gSensorZ, -32768);

    // The fixture tool writes the same bytes (the unused ones aside).
    recording::TripRecord record;
    record.hour = 9;
    record.minute = 30;
    record.second = 59;
    record.year = 2026;
    record.month = 12;
    record.day = 10;
    record.latitude = 3541.5f;
    record.longitude = 13945.0f;
    record.speedKnots = 10.0f;
    record.heading = 180.0f;
    record.gX = -2;
    record.gY = 2;
    record.gZ = -32768;
    std::string encoded = record.encode();
    ASSERT_EQ(encoded.size(), size_t(GyroRawInfo::kSize));
    for (int i = 0; i < 50; ++i) {
        if (i != 27) {
            EXPECT_EQ((unsigned char)encoded[size_t(i)], stored[i]) << "byte " << i;
        }
    }
}

TEST(GyroInfoTest, ConvertsUnitsDateAndTime) {
    GyroRawInfo raw;
    raw.hour = 23;
    raw.minute = 59;
    raw.second = 58;
    raw.year = 2026;
    raw.month = 2;
    raw.day = 28;
    raw.rawChars[0] = 'A';
    raw.rawChars[1] = 'N';
    raw.rawChars[2] = 'E';
    raw.latitude = 3541.5f;
    raw.longitude = 13945.0f;
    raw.speed = 10.0f;
    raw.direction = 271.5f;
    raw.gSensorX = -7;
    raw.gSensorY = 0;
    raw.gSensorZ = 1024;
    std::unique_ptr<GyroInfo> info(GyroInfo::from(&raw));
    EXPECT_EQ(info->dateTime, QDateTime(QDate(2026, 2, 28), QTime(23, 59, 58), Qt::LocalTime));
    EXPECT_EQ(info->dateTime.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(std::string(info->rawChars, 3), "ANE");
    EXPECT_NEAR(info->latitude, 35.691666, 1e-5);
    EXPECT_FLOAT_EQ(info->longitude, 139.75f);
    EXPECT_FLOAT_EQ(info->speed, 18.52f);
    EXPECT_EQ(info->direction, 271.5f);
    EXPECT_EQ(info->gSensorX, -7);
    EXPECT_EQ(info->gSensorY, 0);
    EXPECT_EQ(info->gSensorZ, 1024);
    EXPECT_TRUE(info->isLocationValid());
    EXPECT_EQ(info->parent(), nullptr);
    EXPECT_FLOAT_EQ(GyroInfo::convertRawLocation(3541.5f), 35.691666f);
}

TEST(GyroInfoTest, SouthAndWestAreNegative) {
    struct {
        char northSouth, eastWest;
        float latitude, longitude;
    } const cases[] = {
        {'N', 'E', 35.691666f, 139.75f},   {'S', 'E', -35.691666f, 139.75f},
        {'N', 'W', 35.691666f, -139.75f},  {'S', 'W', -35.691666f, -139.75f},
        {'\0', '\0', 35.691666f, 139.75f}, {'s', 'w', 35.691666f, 139.75f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.northSouth) << "/" << int(c.eastWest));
        GyroRawInfo raw;
        raw.rawChars[0] = 'A';
        raw.rawChars[1] = c.northSouth;
        raw.rawChars[2] = c.eastWest;
        raw.latitude = 3541.5f;
        raw.longitude = 13945.0f;
        std::unique_ptr<GyroInfo> info(GyroInfo::from(&raw));
        EXPECT_FLOAT_EQ(info->latitude, c.latitude);
        EXPECT_FLOAT_EQ(info->longitude, c.longitude);
        EXPECT_EQ(std::string(info->rawChars, 3), std::string({'A', c.northSouth, c.eastWest}));
    }
}

TEST(GyroInfoTest, LocationValidRule) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct {
        float latitude, longitude;
        bool valid;
    } cases[] = {
        {0.5f, 0.0f, false},  // 0.00833 degrees: no fix
        {0.6f, 0.0f, true},   // converts to just above 0.01
        {0.0f, 0.6f, true},        {0.0f, 0.0f, false}, {0.3f, 0.3f, false},
        {3541.5f, 13945.0f, true}, {nan, 0.0f, true},  // a NaN does not compare below the limit
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.latitude << ", " << c.longitude);
        GyroRawInfo raw;
        raw.year = 2026;
        raw.month = raw.day = 1;
        raw.latitude = c.latitude;
        raw.longitude = c.longitude;
        std::unique_ptr<GyroInfo> info(GyroInfo::from(&raw));
        EXPECT_EQ(info->isLocationValid(), c.valid);
    }
}

TEST(GyroInfoTest, DefaultRecord) {
    GyroInfo info;
    EXPECT_TRUE(info.dateTime.isNull());
    EXPECT_TRUE(info.isLocationValid());
}

}  // namespace
