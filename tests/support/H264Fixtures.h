#pragma once

#include <cstdint>

#include <QByteArray>

// A bare H.264 stream (Annex B) of one intra picture of `mbs` x `mbs` macroblocks (16 pixels
// each): a baseline sequence, its picture set and a slice whose data is noise. Enough for a
// decoder to size (and without a limit, allocate) the picture; the noise decodes to nothing
// useful.
QByteArray h264PictureOfMacroblocks(uint32_t mbs);
