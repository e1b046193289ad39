#include "TrailerBlock.h"

#include "OsalInputFile.h"

int readTrailerBlock(const char* path, char tail[kTrailerSize + 1], long long* fileSize) {
    if (path == nullptr) return -30;
    OsalInputFile file(path);
    if (file.open() != 0) return -30;
    if (file.seek(0, 2) != 0) return -7;
    const long long size = file.tell();
    if (size < static_cast<long long>(kTrailerSize) ||
        file.seek(-static_cast<long long>(kTrailerSize), 2) != 0 ||
        file.read(tail, kTrailerSize) != kTrailerSize)
        return -7;
    tail[kTrailerSize] = '\0';
    *fileSize = size;
    return 0;
}
