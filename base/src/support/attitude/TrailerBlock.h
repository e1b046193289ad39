#pragma once

#include <cstddef>

// The camera families keep their text records in the last 512 bytes of a file.
constexpr size_t kTrailerSize = 512;

// The last 512 bytes of the file into tail[0..511], tail[512] = 0, and the file size.
// 0, -30 cannot open, -7 shorter than 512 bytes or unreadable.
int readTrailerBlock(const char* path, char tail[kTrailerSize + 1], long long* fileSize);
// The same, but a file shorter than 512 bytes fills the end of the block after NUL bytes, so
// that block positions still count back from the end of the file.
int readTrailerBlockOfAnySize(const char* path, char tail[kTrailerSize + 1], long long* fileSize);
