#include "CameraFixtures.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "TestEnv.h"

namespace CameraFixtures {

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = TestEnv::root() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string tailBlock(const std::string& text, char fill) {
    return std::string(512 - text.size(), fill) + text;
}

std::string headBlock(const std::string& text, char fill) {
    return text + std::string(512 - text.size(), fill);
}

std::string le16(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string le32(int v) { return le16(v & 0xFFFF) + le16((v >> 16) & 0xFFFF); }

int q30(double v) { return static_cast<int>(std::lround(v * 1073741824.0)); }

namespace {

std::string records(const std::vector<Quaternion>& qs, bool extra) {
    std::string out;
    for (const Quaternion& q : qs) {
        for (double v : q) out += le32(q30(v));
        if (extra) out += le16(1) + le16(2) + le16(3) + le16(0);
    }
    return out;
}

std::string padTo4(std::string header) {
    while (header.size() % 4 != 0) header += '\0';
    return header;
}

}  // namespace

std::string eyeV1(unsigned flags, unsigned rate, int offset, const std::vector<Quaternion>& qs) {
    std::string h = le16(1) + le16(int(flags)) + le16(int(rate));
    if (flags & 1) h += le16(7);
    if (flags & 2) h += le16(offset);
    return padTo4(h) + records(qs, false);
}

std::string eyeV2(unsigned flags, unsigned numerator, unsigned denominator, int startTick,
                  int offset, const std::vector<EyePiece>& pieces) {
    std::string h = le16(2) + le16(int(flags)) + le16(int(numerator)) + le16(int(denominator)) +
                    le32(startTick);
    if (flags & 1) h += le16(7);
    if (flags & 2) h += le16(offset);
    std::string out = padTo4(h);
    const bool extra = flags & 1;
    for (const EyePiece& p : pieces) {
        const std::string body = records(p.records, extra);
        out += le32(p.tick) + le32(int(body.size())) + body;
    }
    return out;
}

}  // namespace CameraFixtures
