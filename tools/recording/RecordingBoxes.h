#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TripRecord.h"

// Byte builders for QuickTime-style boxes (big-endian headers) and the trip
// data a camera adds to them. Every function returns the bytes by value.
namespace recording {

std::string be32(uint32_t value);
std::string be64(uint64_t value);

// A box with a 32-bit size: size, 4-character type, body.
std::string box(const std::string& type, const std::string& body);
// The same with size 1 and a 64-bit size after the type.
std::string largeBox(const std::string& type, const std::string& body);
// Only the 8 header bytes of a box whose size field says `size`.
std::string boxHeader(const std::string& type, uint32_t size);

// `size` bytes of filler holding the tag "freeGPS " at `tagAt` and the record
// 12 bytes after the first byte of the tag (truncated at `size`). A negative
// `tagAt` gives a block without tag.
std::string gpsBlock(const TripRecord& record, int tagAt, int size);
// A top-level "free" box of `size` bytes whose first 11 bytes read
// "....freeGPS ": the form a camera writes.
std::string gpsBlockBox(const TripRecord& record, int size);

// The index box: 4 bytes not read, the entry count, then one (offset, size)
// pair per entry. `type` is "gps " unless a test needs another fourth byte.
std::string gpsIndexBox(const std::vector<uint32_t>& offsets, uint32_t blockSize,
                        const std::string& type = "gps ");
// The same with an entry count that need not match the entries.
std::string gpsIndexBox(const std::vector<uint32_t>& offsets, uint32_t blockSize, int32_t count,
                        const std::string& type);

}  // namespace recording
