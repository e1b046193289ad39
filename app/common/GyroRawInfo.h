#pragma once

#include <cstdint>

// One stored trip record as it lies in a recording: 52 bytes, little-endian.
// The field layout equals the stored layout, so the struct is also the
// in-memory element of the reader's list.
struct GyroRawInfo {
    static constexpr int kSize = 52;

    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t year = 0;              // taken unchanged as the year of the date
    int32_t month = 0;             // 1..12
    int32_t day = 0;               // 1..31
    char rawChars[3] = {0, 0, 0};  // copied, not interpreted
    uint8_t unused1 = 0;
    float latitude = 0;   // ddmm.mmmm
    float longitude = 0;  // dddmm.mmmm
    float speed = 0;      // knots
    float direction = 0;  // degrees
    int16_t gSensorX = 0;
    int16_t gSensorY = 0;
    int16_t gSensorZ = 0;
    uint16_t unused2 = 0;

    // Decodes kSize little-endian bytes (borrowed) into a record.
    static GyroRawInfo fromBytes(const unsigned char* bytes);
};

static_assert(sizeof(GyroRawInfo) == GyroRawInfo::kSize, "stored record is 52 bytes");
