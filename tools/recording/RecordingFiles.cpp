#include "RecordingFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace recording {

namespace {

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

}  // namespace

bool writeFile(const std::string& path, const std::string& bytes, std::string* error) {
    return writeSparse(path, (long long)bytes.size(), {{0, bytes}}, error);
}

bool readFile(const std::string& path, std::string* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(error, "cannot open " + path);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() || fail(error, "cannot read " + path);
}

bool writeSparse(const std::string& path, long long size, const std::vector<Piece>& pieces,
                 std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return fail(error, "cannot create " + path);
    for (const Piece& piece : pieces) {
        out.seekp(piece.offset);
        out.write(piece.bytes.data(), std::streamsize(piece.bytes.size()));
    }
    // Seeking past the end and writing one byte leaves a hole before it.
    if (size > 0) {
        out.seekp(size - 1);
        char last = '\0';
        for (const Piece& piece : pieces)
            if (piece.offset + (long long)piece.bytes.size() == size && !piece.bytes.empty())
                last = piece.bytes.back();
        out.put(last);
    }
    out.close();
    return out.good() || fail(error, "cannot write " + path);
}

bool writeRandom(const std::string& path, long long size, unsigned seed, std::string* error) {
    std::mt19937 generator(seed);
    std::string bytes(size_t(size), '\0');
    for (char& byte : bytes) byte = char(generator() & 0xff);
    return writeFile(path, bytes, error);
}

bool writeTruncated(const std::string& source, const std::string& target, long long keep,
                    std::string* error) {
    std::string bytes;
    if (!readFile(source, &bytes, error)) return false;
    bytes.resize(size_t(std::min<long long>(keep, (long long)bytes.size())));
    return writeFile(target, bytes, error);
}

}  // namespace recording
