#pragma once

// The 360 JPEG mark: an XMP APP1 segment with GPano:ProjectionType "equirectangular", placed
// after the leading APPn segments (JFIF, Exif) in place of any earlier XMP segment. Paths are
// NUL-terminated UTF-8.

// Copies src to dst with the 360 XMP block. 0, -30 src cannot be opened, -4 dst cannot be
// created, -8 truncated segment (dst keeps what was copied).
int simpleAppend360Metadata2JpgFile(const char* src, const char* dst);
// The same with the 180 block (the two ints do not change the block).
int simpleAppend180Metadata2JpgFile(const char* src, const char* dst, int width, int height);
// Whether the first XMP APP1 segment of the leading APPn run contains "equirectangular".
bool simpleIs360Jpg(const char* path);
