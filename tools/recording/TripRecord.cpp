#include "TripRecord.h"

#include <cstdint>
#include <cstring>

namespace recording {

namespace {

void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char(value >> (8 * i) & 0xff));
}

void putFloat(std::string& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putLe(out, bits, 4);
}

}  // namespace

std::string TripRecord::encode() const {
    std::string out;
    for (int v : {hour, minute, second, year, month, day}) putLe(out, uint32_t(v), 4);
    out.append(chars, 3);
    out.push_back('\0');
    for (float v : {latitude, longitude, speedKnots, heading}) putFloat(out, v);
    for (short v : {gX, gY, gZ}) putLe(out, uint16_t(v), 2);
    putLe(out, 0, 2);
    return out;
}

std::vector<TripRecord> makeTrip(int seconds) {
    std::vector<TripRecord> trip;
    for (int i = 0; i < seconds; ++i) {
        TripRecord r;
        int clock = 9 * 3600 + 30 * 60 + i;
        r.hour = clock / 3600 % 24;
        r.minute = clock / 60 % 60;
        r.second = clock % 60;
        r.year = 2026;
        r.month = 12;
        r.day = 10;
        r.latitude = 3541.5f + 0.01f * float(i);
        r.longitude = 13945.0f + 0.01f * float(i);
        r.speedKnots = 10.0f + 0.5f * float(i % 20);
        r.heading = float(45 + i % 90);
        r.gX = short(i % 7 - 3);
        r.gY = short(2 * (i % 5) - 4);
        r.gZ = short(100 + i % 3);
        trip.push_back(r);
    }
    return trip;
}

}  // namespace recording
