// The partial-file window on arbitrary window bounds and seek/read sequences over a fixed
// file. Input: whence (1 byte), offset (8), length (4), then operations of 9 bytes each: kind
// and a 64-bit argument. Every result is checked against the window's documented behaviour.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzFile.h"
#include "OsalPartialInputFile.h"

namespace {

const int kFileSize = 4096;
const size_t kHeader = 13;
const size_t kOperation = 9;

uint8_t contentAt(long long at) { return uint8_t((at * 7) ^ (at >> 8)); }

const std::string& contentPath() {
    static const std::string path = [] {
        uint8_t bytes[kFileSize];
        for (int i = 0; i < kFileSize; ++i) bytes[i] = contentAt(i);
        return FuzzFile::write(bytes, sizeof bytes);
    }();
    return path;
}

template <typename T>
T take(const uint8_t* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void check(bool condition) {
    if (!condition) std::abort();
}

struct Window {
    long long start;
    long long length;
    long long position = 0;
};

void seekChecked(OsalPartialInputFile& file, Window& w, long long target, int from) {
    __int128 wanted = target;
    if (from == 1)
        wanted += w.position;
    else if (from == 2)
        wanted += w.length;
    const int result = file.seek(target, from);
    const bool inside = from >= 0 && from <= 2 && wanted >= 0 && wanted <= w.length;
    check((result == 0) == inside);
    if (result == 0) w.position = (long long)wanted;
    check(file.tell() == w.position);
}

void readChecked(OsalPartialInputFile& file, Window& w, unsigned long size) {
    uint8_t buffer[512];
    const unsigned long asked = size % sizeof buffer;
    const unsigned long got = file.read(buffer, asked);
    const long long left = w.length - w.position;
    check(got <= asked && (long long)got <= left);
    check(got == (unsigned long)std::min<long long>(asked, left));
    for (unsigned long i = 0; i < got; ++i)
        check(buffer[i] == contentAt(w.start + w.position + (long long)i));
    w.position += (long long)got;
    check(file.tell() == w.position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader || contentPath().empty()) return 0;
    const int whence = data[0] % 4;
    const long long offset = take<int64_t>(data + 1);
    const int length = take<int32_t>(data + 9);
    OsalPartialInputFile file(contentPath().c_str(), whence, offset, length);
    const int opened = file.open();
    if (opened != 0) return 0;
    // Open succeeded: the window lies inside the file.
    const __int128 start = whence == 2 ? (__int128)offset + kFileSize : (__int128)offset;
    check(whence == 0 || whence == 2);
    check(length >= 0 && start >= 0 && start + length <= kFileSize);
    Window w{(long long)start, length};
    check(file.tell() == 0);
    for (size_t at = kHeader; at + kOperation <= size; at += kOperation) {
        const uint8_t kind = data[at];
        const int64_t argument = take<int64_t>(data + at + 1);
        if (kind % 2 == 0)
            seekChecked(file, w, argument, int(kind / 2 % 4));
        else
            readChecked(file, w, (unsigned long)argument);
    }
    return 0;
}
