#pragma once

#include <array>
#include <string>
#include <vector>

// Small hand-made camera files for the camera family tests.
namespace CameraFixtures {

// Writes `bytes` to a new file in the test sandbox; returns its path.
std::string writeFile(const std::string& name, const std::string& bytes);
std::string readFile(const std::string& path);

// `text` right-aligned at the end of a 512-byte block, `fill` before it (a trailer padder).
std::string tailBlock(const std::string& text, char fill = 'm');
// `text` at the start of a 512-byte block, `fill` after it.
std::string headBlock(const std::string& text, char fill = ' ');

using Quaternion = std::array<double, 4>;

// Version-1 eye file: flags, rate code, optional extra / offset, records of (w, x, y, z) as
// stored in the file (the reader negates x, y, z).
std::string eyeV1(unsigned flags, unsigned rate, int offset, const std::vector<Quaternion>& qs);

struct EyePiece {
    int tick;
    std::vector<Quaternion> records;
};
// Version-2 eye file with 16-byte records (24 with flags bit 0).
std::string eyeV2(unsigned flags, unsigned numerator, unsigned denominator, int startTick,
                  int offset, const std::vector<EyePiece>& pieces);

std::string le16(int v);
std::string le32(int v);
// Q2.30 fixed point.
int q30(double v);

}  // namespace CameraFixtures
