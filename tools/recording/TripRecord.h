#pragma once

#include <string>
#include <vector>

namespace recording {

// One per-second trip record as a camera stores it (52 bytes, little-endian).
struct TripRecord {
    static constexpr int kSize = 52;

    int hour = 0, minute = 0, second = 0;
    int year = 2026, month = 1, day = 1;
    char chars[3] = {'A', 'N', 'E'};
    float latitude = 0;   // ddmm.mmmm
    float longitude = 0;  // dddmm.mmmm
    float speedKnots = 0;
    float heading = 0;  // degrees
    short gX = 0, gY = 0, gZ = 0;

    // The kSize stored bytes.
    std::string encode() const;
};

// A drive of `seconds` records, one per second from 2026-12-10 09:30:00,
// starting at 35 41.5' N 139 45.0' E and moving north-east at 10 knots and up.
std::vector<TripRecord> makeTrip(int seconds);

}  // namespace recording
