#include "GyroRawInfo.h"

#include <cstring>

namespace {

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t leInt32(const unsigned char* p) { return int32_t(le32(p)); }

int16_t leInt16(const unsigned char* p) { return int16_t(uint16_t(p[0] | p[1] << 8)); }

float leFloat(const unsigned char* p) {
    uint32_t bits = le32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

GyroRawInfo GyroRawInfo::fromBytes(const unsigned char* bytes) {
    GyroRawInfo raw;
    raw.hour = leInt32(bytes + 0);
    raw.minute = leInt32(bytes + 4);
    raw.second = leInt32(bytes + 8);
    raw.year = leInt32(bytes + 12);
    raw.month = leInt32(bytes + 16);
    raw.day = leInt32(bytes + 20);
    std::memcpy(raw.rawChars, bytes + 24, sizeof raw.rawChars);
    raw.latitude = leFloat(bytes + 28);
    raw.longitude = leFloat(bytes + 32);
    raw.speed = leFloat(bytes + 36);
    raw.direction = leFloat(bytes + 40);
    raw.gSensorX = leInt16(bytes + 44);
    raw.gSensorY = leInt16(bytes + 46);
    raw.gSensorZ = leInt16(bytes + 48);
    return raw;
}
