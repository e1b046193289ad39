#pragma once

#include "AttitudeParser.h"

// Gyro text file: records "time ms,gx,gy,gz" (rates in radians a second), integrated from the
// identity attitude.
class GyroParserV1 : public AttitudeParser {
  public:
    // The first record has at least four fields and each rate is below 1.
    static bool canParse(const char* path);

    bool canParseFile(const char* path) override;
    int parse(const char* path, int maxCount) override;
};
