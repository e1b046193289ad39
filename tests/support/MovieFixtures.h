#pragma once

#include <QString>

#include <vector>

// Damage to MP4 files whose "moov" is the last top-level box (as ffmpeg writes them by default).

// Rewrites the first track's 32-bit chunk offsets as 64-bit ones and points its middle chunk
// at an offset the file system refuses to seek to: the container opens, the frames up to that
// chunk read, and the read of that chunk fails as an I/O error does (not as the end of the
// file). False when the file has no such track or its file system seeks anywhere (tmpfs, xfs).
bool breakMiddleChunk(const QString& path);

// Damage done to a file while a player reads it (its "moov" read long before): cut to 30 % of
// its length, or every byte overwritten with zeros. `apply` is false when the file could not
// be changed.
struct PlayingFileDamage {
    const char* name;
    bool (*apply)(const QString& path);
};
const std::vector<PlayingFileDamage>& playingFileDamages();
