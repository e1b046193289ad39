#pragma once

#include <string>
#include <vector>

// Plain file writers for fixtures: whole files, sparse files and broken ones.
// Each returns false (with the reason in `error` when given) on an I/O failure.
namespace recording {

// Bytes placed at an absolute offset of a sparse file.
struct Piece {
    long long offset = 0;
    std::string bytes;
};

bool writeFile(const std::string& path, const std::string& bytes, std::string* error = nullptr);
bool readFile(const std::string& path, std::string* bytes, std::string* error = nullptr);

// A file of `size` bytes that holds only `pieces`; the gaps are holes that
// take no disk space and read as zeros.
bool writeSparse(const std::string& path, long long size, const std::vector<Piece>& pieces,
                 std::string* error = nullptr);

// `size` pseudo-random bytes from `seed` (the same seed gives the same file).
bool writeRandom(const std::string& path, long long size, unsigned seed,
                 std::string* error = nullptr);

// The first `keep` bytes of `source` written to `target`.
bool writeTruncated(const std::string& source, const std::string& target, long long keep,
                    std::string* error = nullptr);

}  // namespace recording
