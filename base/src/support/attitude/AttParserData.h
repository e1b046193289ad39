#pragma once

// One attitude sample of a parser (owned by the parser that made it).
struct AttParserData {
    long long time = 0;                  // milliseconds
    float increment[3] = {0, 0, 0};      // angle increments of the sample (gyro parser only)
    float quaternion[4] = {1, 0, 0, 0};  // (w, x, y, z)
};
