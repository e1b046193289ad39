#pragma once

// Source format of the generic 360 viewers: GL360_YUV420 for three 8-bit planes (Y full size,
// U and V of half width and height, BT.709 video range); any other value packed 32-bit BGRA.
enum GL360ColorSpace {
    GL360_BGRA = 0,
    GL360_YUV420 = 2,
};
