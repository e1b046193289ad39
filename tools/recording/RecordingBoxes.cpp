#include "RecordingBoxes.h"

#include <algorithm>
#include <stdexcept>

namespace recording {

namespace {

// As cameras write it: the 7-character tag the readers look for, then a space.
const char kTag[] = "freeGPS ";
const int kTagToRecord = 12;

void checkType(const std::string& type) {
    if (type.size() != 4) throw std::invalid_argument("box type must have 4 characters: " + type);
}

}  // namespace

std::string be32(uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = char(value >> (24 - 8 * i) & 0xff);
    return out;
}

std::string be64(uint64_t value) { return be32(uint32_t(value >> 32)) + be32(uint32_t(value)); }

std::string boxHeader(const std::string& type, uint32_t size) {
    checkType(type);
    return be32(size) + type;
}

std::string box(const std::string& type, const std::string& body) {
    return boxHeader(type, uint32_t(body.size() + 8)) + body;
}

std::string largeBox(const std::string& type, const std::string& body) {
    return boxHeader(type, 1) + be64(body.size() + 16) + body;
}

std::string gpsBlock(const TripRecord& record, int tagAt, int size) {
    std::string block(size_t(size), '\xA5');
    if (tagAt < 0) return block;
    std::string content = std::string(kTag) + std::string(kTagToRecord - 8, '\0') + record.encode();
    block.replace(size_t(tagAt), std::min(content.size(), size_t(size - tagAt)), content, 0,
                  std::min(content.size(), size_t(size - tagAt)));
    return block;
}

std::string gpsBlockBox(const TripRecord& record, int size) {
    std::string block = gpsBlock(record, 4, size);
    return be32(uint32_t(size)) + block.substr(4);
}

std::string gpsIndexBox(const std::vector<uint32_t>& offsets, uint32_t blockSize, int32_t count,
                        const std::string& type) {
    std::string body = be32(0) + be32(uint32_t(count));
    for (uint32_t offset : offsets) body += be32(offset) + be32(blockSize);
    return box(type, body);
}

std::string gpsIndexBox(const std::vector<uint32_t>& offsets, uint32_t blockSize,
                        const std::string& type) {
    return gpsIndexBox(offsets, blockSize, int32_t(offsets.size()), type);
}

}  // namespace recording
