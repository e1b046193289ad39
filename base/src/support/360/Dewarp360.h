#pragma once

#include <cstdint>

// CPU fisheye -> equirectangular dewarp.
//
// Pixels are 32-bit words (B, G, R, A bytes), rows packed (stride = width x 4). The circle is
// given in source pixels (centre cx, cy and radius); R is a row-major 3x3 rotation applied to
// each output direction before it is looked up in the lens. Output row 0 is the zenith, column
// j is longitude 2 pi j / dstW.
//
// The lens (front direction and covered angle) is process-wide and must be set with
// setCameraParameters before any entry draws: until then every drawing entry returns without
// writing, so callers pre-fill their buffers. Nothing in the application sets it.
//
// Thread safety: every function may be called from any thread. Configuration calls are
// serialised by an internal lock and read once at the start of each drawing call; tables are
// built once and shared. Separate dewarps into different destinations may run in parallel.
//
// Bad sizes (non-positive, a side above kDewarpMaxSide, or null buffers) make an entry return
// without writing.

// How the two lens offsets (a, b) of a direction map onto the source around the circle centre.
enum FrontDirection : int {
    FRONT_DIRECTION_NORMAL = 0,    // (cx + a, cy + b)
    FRONT_DIRECTION_QUARTER = 1,   // (cx + b, cy - a)
    FRONT_DIRECTION_HALF = 2,      // (cx - a, cy - b)
    FRONT_DIRECTION_3QUARTER = 3,  // (cx - b, cy + a); also any value outside 0..4
    FRONT_DIRECTION_MIRROR = 4,    // (cx - a, cy + b)
};

// Largest accepted width or height of any image here, in pixels.
constexpr int kDewarpMaxSide = 1 << 16;

// Sets the lens: front direction and the full covered angle in degrees (for example 210).
void setCameraParameters(FrontDirection dir, double coveredDegree);

// Installs the patch drawn into directions the lens does not see (used by the fill-colour
// entries). The caller keeps ownership; the pixels must outlive every dewarp that uses them.
void set360PatchPattern(const void* pixels, int w, int h);
// Removes the installed patch.
void reset360PatchPattern();

// Switches the edge fade on (for good) with this colour: the last 0.1 radian inside the lens
// edge blends into it, reaching it exactly at the edge.
void setDewarpBoundFadeColor(int colour);

// Nearest-sample dewarp with the chosen kernel. The first call of either form chooses the kernel
// (and logs it) even before the lens is set. Uncovered directions get the installed patch, or bg.
// A geometry that repeats from one call to the next (same lens, circle, R and sizes) is replayed
// from a map of its pixels' positions with the same bytes (see DewarpMapCache).
void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            const double R[9], int dstW, int dstH, int bg);
// As above with the given patch (null: none) and bg 0.
void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            const double R[9], int dstW, int dstH, const void* patch, int patchW, int patchH);
// Camera turned by angles a (about Y) and b (about X) in radians: R = RotX(-b) x RotY(-a).
void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            double a, double b, int dstW, int dstH, int bg);

// Bilinear-sample dewarp (the SIMD kernel the processor runs, same bytes as the plain one); the
// fill form uses the installed patch if any.
void dewarpBilinear(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                    double radius, const double R[9], int dstW, int dstH, int bg);
void dewarpBilinear(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                    double radius, const double R[9], int dstW, int dstH, const void* patch,
                    int patchW, int patchH);

// A latitude/longitude window, degrees, both ends inclusive: row 0 at latTopDeg, the last row at
// latBottomDeg, column 0 at lonStartDeg, the last column at lonEndDeg. A single row or column
// takes the first value. Nearest samples, no edge fade.
void partialDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                   double radius, const double R[9], int dstW, int dstH, double latTopDeg,
                   double latBottomDeg, double lonStartDeg, double lonEndDeg, int bg);
void partialDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                   double radius, const double R[9], int dstW, int dstH, double latTopDeg,
                   double latBottomDeg, double lonStartDeg, double lonEndDeg, const void* patch,
                   int patchW, int patchH);

// Polar unwrapping without rotation: row 0 is the lens axis, row dstH x covered / 360 the circle
// edge; rows below it are zero.
void fastDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                int dstW, int dstH, int bg);
// Unwrapping with the lens tilted by tiltDeg; the right half mirrors the left (the middle column
// of an odd width is computed itself). Bilinear samples.
void fastDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                double tiltDeg, int dstW, int dstH, int bg);

// One bilinear sample at (x, y) in pixels: bg outside the image, the pixel itself on the last
// row or column; positions within a pixel of the left or top edge sample the edge. Bytes 0-2
// are blended, byte 3 of the result is 255.
uint32_t bilinearPixel(const void* pixels, int strideBytes, int w, int h, float x, float y, int bg);

// CPUID of `leaf`, sub-leaf 0: out = EAX, EBX, ECX, EDX.
void cpuid(int out[4], int leaf);
