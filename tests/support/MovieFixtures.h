#pragma once

#include <QString>

// Damage to MP4 files whose "moov" is the last top-level box (as ffmpeg writes them by default).

// Rewrites the first track's 32-bit chunk offsets as 64-bit ones and points its middle chunk
// at an offset the file system refuses to seek to: the container opens, the frames up to that
// chunk read, and the read of that chunk fails as an I/O error does (not as the end of the
// file). False when the file has no such track or its file system seeks anywhere (tmpfs, xfs).
bool breakMiddleChunk(const QString& path);
