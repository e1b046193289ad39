#pragma once

#include "AttitudeParser.h"

// Quaternion text file: records "time ms,w,x,y,z"; samples are taken relative to the first.
class QuaternionsParserV1 : public AttitudeParser {
  public:
    // The first record has at least five fields and a squared length within (0.9, 1.1).
    static bool canParse(const char* path);

    bool canParseFile(const char* path) override;
    int parse(const char* path, int maxCount) override;
};
