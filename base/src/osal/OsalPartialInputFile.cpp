#include "OsalPartialInputFile.h"

#include <algorithm>

#include "ResultCode.h"

namespace {
const unsigned long kReadError = static_cast<unsigned long>(-1);
}

OsalPartialInputFile::OsalPartialInputFile(const char* path, int whence, long long offset,
                                           int length)
    : OsalInputFile(path), whence(whence), offset(offset), length(length) {}

OsalPartialInputFile::~OsalPartialInputFile() { OsalPartialInputFile::close(); }

// 1. open the base file; 2. find the window's absolute start; 3. check that the whole window
// lies inside the file; 4. position the base file at the window start.
int OsalPartialInputFile::open() {
    if (whence != 0 && whence != 2) return ResultCode::kBadArgument;
    const int result = OsalInputFile::open();
    if (result != ResultCode::kOk) return result;
    OsalInputFile::seek(0, 2);
    const long long size = OsalInputFile::tell();
    long long start = offset;
    long long end = 0;
    // Offsets and lengths come from files: sums that overflow are windows outside the file.
    if ((whence == 2 && __builtin_add_overflow(offset, size, &start)) ||
        __builtin_add_overflow(start, static_cast<long long>(length), &end) || length < 0 ||
        start < 0 || end > size || OsalInputFile::seek(start, 0) != ResultCode::kOk) {
        OsalInputFile::close();
        return ResultCode::kIoError;
    }
    offset = start;
    whence = 0;
    position = 0;
    return ResultCode::kOk;
}

void OsalPartialInputFile::close() {
    OsalInputFile::close();
    position = -1;
}

long long OsalPartialInputFile::tell() { return position < 0 ? 0 : position; }

int OsalPartialInputFile::seek(long long target, int from) {
    if (position < 0) return ResultCode::kWrongState;
    switch (from) {
        case 0:
            break;
        case 1:
            if (__builtin_add_overflow(target, position, &target)) return ResultCode::kBadArgument;
            break;
        case 2:
            if (__builtin_add_overflow(target, static_cast<long long>(length), &target))
                return ResultCode::kBadArgument;
            break;
        default:
            return ResultCode::kBadArgument;
    }
    if (target < 0 || target > length) return ResultCode::kBadArgument;
    const int result = OsalInputFile::seek(target + offset, 0);
    if (result == ResultCode::kOk) position = target;
    return result;
}

unsigned long OsalPartialInputFile::read(void* buffer, unsigned long size) {
    if (position < 0 || position >= length) return 0;
    const unsigned long left = static_cast<unsigned long>(length - position);
    const unsigned long count = OsalInputFile::read(buffer, std::min(size, left));
    if (count != kReadError) position += static_cast<long long>(count);
    return count;
}
