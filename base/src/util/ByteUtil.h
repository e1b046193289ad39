#pragma once

#include <memory>

#include "OsalInputFile.h"

// Byte-order helpers. The readers take an open file, read from its current position and return
// 0, or -1 with the value untouched when fewer bytes come back or the read fails.
class ByteUtil {
  public:
    // 2 bytes little-endian, sign-extended.
    static int readInt16(std::unique_ptr<OsalInputFile>& file, int* value);
    // 2 bytes little-endian, zero-extended.
    static int readUInt16(std::unique_ptr<OsalInputFile>& file, unsigned int* value);
    // 4 bytes little-endian.
    static int readInt32(std::unique_ptr<OsalInputFile>& file, int* value);

    // The signed 32-bit value of 4 big-endian bytes.
    static int bytesToInt(const unsigned char* bytes);
    // Writes `value` as 4 big-endian bytes to out[0..3].
    static void intToBytes(int value, unsigned char* out);
};
