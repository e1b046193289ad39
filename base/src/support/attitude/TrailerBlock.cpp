#include "TrailerBlock.h"

#include <algorithm>
#include <cstring>

#include "OsalInputFile.h"
#include "ResultCode.h"

namespace {

int readTail(const char* path, bool anySize, char tail[kTrailerSize + 1], long long* fileSize) {
    if (path == nullptr) return ResultCode::kCannotOpen;
    OsalInputFile file(path);
    if (file.open() != 0) return ResultCode::kCannotOpen;
    if (file.seek(0, 2) != 0) return ResultCode::kAbsent;
    const long long size = file.tell();
    const long long block = static_cast<long long>(kTrailerSize);
    if (size < 0 || (size < block && !anySize)) return ResultCode::kAbsent;
    const unsigned long length = static_cast<unsigned long>(std::min(size, block));
    char* start = tail + (kTrailerSize - length);
    std::memset(tail, 0, kTrailerSize - length);
    if (file.seek(-static_cast<long long>(length), 2) != 0 || file.read(start, length) != length)
        return ResultCode::kAbsent;
    tail[kTrailerSize] = '\0';
    *fileSize = size;
    return 0;
}

}  // namespace

int readTrailerBlock(const char* path, char tail[kTrailerSize + 1], long long* fileSize) {
    return readTail(path, false, tail, fileSize);
}

int readTrailerBlockOfAnySize(const char* path, char tail[kTrailerSize + 1], long long* fileSize) {
    return readTail(path, true, tail, fileSize);
}
