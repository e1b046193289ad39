#pragma once

#include "AttitudeParser.h"

// Version-2 eye file: a little-endian header (version 2, flags, rate numerator and denominator,
// start tick, optional extra and offset, padded to 4 bytes), then pieces of a tick, a byte
// total and 16- or 24-byte Q2.30 quaternion records. Samples are spaced by the sample period
// from minus the header offset.
class QuaternionsParserUqoEye : public AttitudeParser {
  public:
    // The first u16 of the file is 2.
    static bool canParse(const char* path);

    bool canParseFile(const char* path) override;
    // -10 not a version-2 file, a short optional header field or a zero rate; -30 cannot open.
    int parse(const char* path, int maxCount) override;
};
