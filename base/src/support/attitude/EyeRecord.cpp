#include "EyeRecord.h"

#include <cstdint>

namespace {

double q30(const unsigned char* b) {
    const uint32_t u =
        uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return static_cast<int32_t>(u) / 1073741824.0;
}

}  // namespace

void eyeRecordQuaternion(const unsigned char record[16], double q[4]) {
    q[0] = q30(record);
    q[1] = -q30(record + 4);
    q[2] = -q30(record + 8);
    q[3] = -q30(record + 12);
}
