#include "GyroInfo.h"

#include <cmath>
#include <cstring>

GyroInfo* GyroInfo::from(GyroRawInfo* raw) {
    auto* info = new GyroInfo;
    info->dateTime = QDateTime(QDate(raw->year, raw->month, raw->day),
                               QTime(raw->hour, raw->minute, raw->second, 0), Qt::LocalTime);
    std::memcpy(info->rawChars, raw->rawChars, sizeof info->rawChars);
    // South and west (bytes 25 and 26) are negative; any other character leaves the sign.
    info->latitude = convertRawLocation(raw->latitude) * (raw->rawChars[1] == 'S' ? -1.0f : 1.0f);
    info->longitude = convertRawLocation(raw->longitude) * (raw->rawChars[2] == 'W' ? -1.0f : 1.0f);
    info->speed = float(double(raw->speed) * 1.852);
    info->direction = raw->direction;
    info->gSensorX = raw->gSensorX;
    info->gSensorY = raw->gSensorY;
    info->gSensorZ = raw->gSensorZ;
    // Near (0, 0) means no fix; a NaN compares false and so counts as valid.
    const float limit = 0.01f;
    info->locationValid =
        !(std::fabs(info->latitude) < limit) || !(std::fabs(info->longitude) < limit);
    return info;
}

float GyroInfo::convertRawLocation(float value) {
    float degrees = std::floor(value / 100.0f);
    return (value - 100.0f * degrees) / 60.0f + degrees;
}

bool GyroInfo::isLocationValid() const { return locationValid; }
