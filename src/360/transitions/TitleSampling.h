#pragma once

#include <cstdint>

// Bilinear sampling of w x h BGRA pictures (rows packed).

// Position (fx, fy) in 16.16 fixed point: integer part 0 below 1, the 16-bit fractions as
// weights, the right and lower neighbours clamped to the last column and row. Writes 4 bytes.
void GetPixelColorBilinear_C(const uint8_t* pixels, int w, int h, int fx, int fy, uint8_t* out);
// Pixel (x, y), or zero outside the picture.
uint32_t getColor(const uint8_t* pixels, int w, int h, int x, int y);
// Position (x, y) in pixels with weights (1 - fx)(1 - fy), fx(1 - fy), (1 - fx)fy, fx fy per
// byte, missing neighbours as zero; defaultColor more than one pixel outside.
uint32_t bilinearPixel(const uint8_t* pixels, int w, int h, float x, float y,
                       uint32_t defaultColor);
