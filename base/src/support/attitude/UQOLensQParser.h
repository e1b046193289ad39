#pragma once

#include "AttitudeParser.h"

// Lens camera file: the attitude text block (lines "time ms,w,x,y,z") stored just before the
// 512-byte "UQOLens{" trailer, whose first field is the block's byte length.
class UQOLensQParser : public AttitudeParser {
  public:
    // The last 512 bytes of the file begin with "UQOLens{".
    static bool canParse(const char* path);

    bool canParseFile(const char* path) override;
    // 0 (a length of 0 gives no samples), -30 cannot open, -7 no trailer, -13 the length field
    // is not digits ended by ',', -8 the block would begin before the file.
    int parse(const char* path, int maxCount) override;
};
