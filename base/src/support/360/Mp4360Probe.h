#pragma once

// 360 marks of MP4 files: a Spherical Video V1 "uuid" box (user type
// ffcc8263-f855-4a93-8814-587a02521fdd) inside a "trak" of "moov", whose XML text names the
// projection. Boxes of a size below 8 or past their parent end a walk; the box text read is
// capped at kSphericalTextCap bytes.

constexpr unsigned long kSphericalTextCap = 1 << 20;

// 1 when any track carries a spherical box whose text contains "equirectangular", else 0.
int simpleIs360Mp4(const char* path);
// Decided on the first track: 2 "half_equirectangular", 1 "equirectangular", 0 none (or a child
// head cannot be read); -1 when the file ends before "moov" or "moov" holds no track.
int simpleIs360Or180Mp4(const char* path);
