#pragma once

// What a dash camera file name tells.
struct Vintaro360SrcMediaInfo {
    // 0 "P" photo, 1 "LP", 2 "V" video with a sequence number, 3 "LV", 4 "TL".
    int type = 0;
    long long takenTime = 0;  // local time, ms
    int sequence = 1;         // 1 when the name has none
};
