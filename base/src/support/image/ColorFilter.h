#pragma once

#include <cstdint>

// Per-channel gamma lookup applied in place to 32-bit pixels; byte 3 (alpha) is never touched.
// Entry i of a table is the output level for input level i: (int)(pow(i/255, g) x 255 + 0.5),
// or the identity for a negative (or NaN) gamma.
class ColorFilter {
  public:
    explicit ColorFilter(double gamma);
    ColorFilter(double gammaR, double gammaG, double gammaB);

    void setGammas(double gammaR, double gammaG, double gammaB);

    // A filter with these gammas, or null when all three are negative (no filter wanted).
    // The caller deletes it.
    static ColorFilter* newUnlessNegative(double gammaR, double gammaG, double gammaB);

    // Pixels in R, G, B, A byte order. Nothing for w x h <= 0 or null pixels.
    void apply(void* pixels, int w, int h) const;
    // Pixels in B, G, R, A byte order. Nothing for w x h <= 0 or null pixels.
    void applyBGR(void* pixels, int w, int h) const;

    // The gamma that maps level `in` to level `out` (0..255): log(out/255) / log(in/255).
    static double calculateGamma(double in, double out);

    // Output level of `level` in each channel's table.
    uint8_t red(int level) const { return redTable[level & 255]; }
    uint8_t green(int level) const { return greenTable[level & 255]; }
    uint8_t blue(int level) const { return blueTable[level & 255]; }

  private:
    // Runs byte k of every pixel through tables[k] for k = 0..2.
    void applyTables(void* pixels, int w, int h, const uint8_t* const tables[3]) const;

    uint8_t redTable[256];
    uint8_t greenTable[256];
    uint8_t blueTable[256];
};
