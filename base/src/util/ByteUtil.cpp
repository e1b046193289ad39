#include "ByteUtil.h"

#include <cstdint>

namespace {

// Reads exactly `count` bytes into `bytes`; false on a short read or an error.
bool readExactly(std::unique_ptr<OsalInputFile>& file, unsigned char* bytes, unsigned long count) {
    return file && file->read(bytes, count) == count;
}

}  // namespace

int ByteUtil::readInt16(std::unique_ptr<OsalInputFile>& file, int* value) {
    unsigned char b[2];
    if (!readExactly(file, b, 2)) return -1;
    *value = static_cast<int16_t>(b[0] | (b[1] << 8));
    return 0;
}

int ByteUtil::readUInt16(std::unique_ptr<OsalInputFile>& file, unsigned int* value) {
    unsigned char b[2];
    if (!readExactly(file, b, 2)) return -1;
    *value = static_cast<unsigned int>(b[0] | (b[1] << 8));
    return 0;
}

int ByteUtil::readInt32(std::unique_ptr<OsalInputFile>& file, int* value) {
    unsigned char b[4];
    if (!readExactly(file, b, 4)) return -1;
    const uint32_t u =
        uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    *value = static_cast<int32_t>(u);
    return 0;
}

int ByteUtil::bytesToInt(const unsigned char* bytes) {
    const uint32_t u = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 |
                       uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
    return static_cast<int32_t>(u);
}

void ByteUtil::intToBytes(int value, unsigned char* out) {
    const uint32_t u = static_cast<uint32_t>(value);
    out[0] = static_cast<unsigned char>(u >> 24);
    out[1] = static_cast<unsigned char>(u >> 16);
    out[2] = static_cast<unsigned char>(u >> 8);
    out[3] = static_cast<unsigned char>(u);
}
