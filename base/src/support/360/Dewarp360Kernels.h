#pragma once

#include <cstddef>
#include <cstdint>

// Dewarp kernels and the scalar pieces they share.
//
// Per output pixel (row i, column j):
//   1. direction from the row's latitude and the column's sin/cos (row set-up in double,
//      converted to float; everything per pixel is single precision);
//   2. rotation by R (folded into the row set-up);
//   3. elevation e from the arcsine table;
//   4. inside the lens (e >= edge): equidistant offsets around the circle centre;
//      outside: offsets around the patch centre, proportional to the angle from -z;
//   5. nearest sample (bg outside the image), then the edge fade inside the fade band.
// All kernels produce the same bytes: the SIMD ones run steps 1-5 in vectors with the same
// operations in the same order, and send fade-band pixels and tail columns to dewarpPixel.
// These files are compiled with -ffp-contract=off; (int) conversions are truncations.
//
// This header holds plain structs and declarations only: it is included by files compiled for
// different instruction sets, so it must not define inline code.

// Kernel signature shared by the C, SSE2 and AVX2 variants. sinTable/cosTable hold dstW entries
// (sin and cos of 2 pi j / dstW); patch may be null. Reads the process-wide lens and fade
// state once; writes nothing when the lens is unset or the arguments are invalid.
using DewarpKernel = void (*)(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                              double radius, const double R[9], int dstW, int dstH,
                              const float* sinTable, const float* cosTable, int bg,
                              const void* patch, int patchW, int patchH);

void dewarpWithRotatedSrc_C(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                            double radius, const double R[9], int dstW, int dstH,
                            const float* sinTable, const float* cosTable, int bg, const void* patch,
                            int patchW, int patchH);
void dewarpWithRotatedSrc_SSE2(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                               double radius, const double R[9], int dstW, int dstH,
                               const float* sinTable, const float* cosTable, int bg,
                               const void* patch, int patchW, int patchH);
void dewarpWithRotatedSrc_AVX2(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                               double radius, const double R[9], int dstW, int dstH,
                               const float* sinTable, const float* cosTable, int bg,
                               const void* patch, int patchW, int patchH);

// Bilinear samples for source and patch; otherwise as the C kernel. The SSE2 and AVX2 variants
// give the same bytes as the plain one.
void dewarpBilinearWithRotatedSrc(const void* src, void* dst, int srcW, int srcH, double cx,
                                  double cy, double radius, const double R[9], int dstW, int dstH,
                                  const float* sinTable, const float* cosTable, int bg,
                                  const void* patch, int patchW, int patchH);
void dewarpBilinearWithRotatedSrc_SSE2(const void* src, void* dst, int srcW, int srcH, double cx,
                                       double cy, double radius, const double R[9], int dstW,
                                       int dstH, const float* sinTable, const float* cosTable,
                                       int bg, const void* patch, int patchW, int patchH);
void dewarpBilinearWithRotatedSrc_AVX2(const void* src, void* dst, int srcW, int srcH, double cx,
                                       double cy, double radius, const double R[9], int dstW,
                                       int dstH, const float* sinTable, const float* cosTable,
                                       int bg, const void* patch, int patchW, int patchH);
// Window of latitudes latTopDeg (row 0) .. latBottomDeg (last row); tables as given (the
// partial longitudes). Nearest samples, no edge fade.
void partialDewarpWithRotatedSrc(const void* src, void* dst, int srcW, int srcH, double cx,
                                 double cy, double radius, const double R[9], int dstW, int dstH,
                                 const float* sinTable, const float* cosTable, int bg,
                                 const void* patch, int patchW, int patchH, double latTopDeg,
                                 double latBottomDeg);

// Code kernels: the same location as the nearest kernels, but each output pixel gets the code
// of what it shows instead of the pixel, so a fixed geometry can be replayed by a gather.
// Codes: >= 0 a source pixel index; -1 - k patch pixel k; kDewarpCodeBg the fill colour;
// kDewarpCodeFade a pixel inside the fade band (see dewarpPixelCode).
constexpr int32_t kDewarpCodeBg = INT32_MIN;
constexpr int32_t kDewarpCodeFade = INT32_MIN + 1;
// Source and patch sizes, in pixels, that codes can address.
constexpr int64_t kDewarpMaxCodedPixels = int64_t(1) << 30;

struct DewarpContext;
// Writes the codes of every output pixel of ctx's geometry (dstW x dstH, sin/cos tables as for
// the kernels) into `codes`. ctx's images must fit kDewarpMaxCodedPixels.
using DewarpCodeKernel = void (*)(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                                  const float* sinTable, const float* cosTable, int32_t* codes);
void dewarpCodes_C(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                   const float* sinTable, const float* cosTable, int32_t* codes);
void dewarpCodes_AVX2(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                      const float* sinTable, const float* cosTable, int32_t* codes);

// Gather kernels: dst[i] = the pixel that codes[i] names (no fade codes) in src, patch (null
// when the codes name none; patchPixels its size) or bg.
using DewarpGatherKernel = void (*)(const int32_t* codes, size_t count, const uint32_t* src,
                                    const uint32_t* patch, int64_t patchPixels, uint32_t bg,
                                    uint32_t* dst);
void gatherDewarpCodes_C(const int32_t* codes, size_t count, const uint32_t* src,
                         const uint32_t* patch, int64_t patchPixels, uint32_t bg, uint32_t* dst);
void gatherDewarpCodes_AVX2(const int32_t* codes, size_t count, const uint32_t* src,
                            const uint32_t* patch, int64_t patchPixels, uint32_t bg, uint32_t* dst);

// Everything a kernel needs for one call, fixed for the whole image.
struct DewarpContext {
    const uint32_t* src;
    int srcW, srcH;
    const uint32_t* patch;  // null when there is no patch
    int patchW, patchH;
    uint32_t bg;
    double covered;  // full covered angle, degrees
    float cx, cy;    // circle centre, source pixels
    float pcx, pcy;  // patch centre (integer halves)
    float k;         // source pixels per radian from the lens axis
    float kp;        // patch pixels per radian from the -z axis
    float edge;      // elevation of the lens edge, radians
    float fadeEnd;   // edge + 0.1: top of the fade band
    bool fade;
    int fadeBytes[4];  // fade colour, byte 0 first
    // Direction rule as a swap of (a, b) followed by sign flips of each result.
    bool swapAB;
    bool negU, negV;
    const float* asinTable;  // 4096 entries asin(k / 4096)
    const float* cosTable;   // 4096 entries cos(k / 2607.5945)
};

// Rotated direction of one row: x' = x[0] c + x[1] s + x[2] (and y', z' alike) for a column
// with sin s and cos c.
struct DewarpRow {
    float x[3], y[3], z[3];
};

// Constants of the lookups, shared by every kernel.
constexpr float kDewarpHalfPi = 1.5707964f;
constexpr float kDewarpAsinSteps = 4096.0f;
constexpr float kDewarpCosStepsPerRadian = 2607.5945f;  // 4096 / (pi / 2)
constexpr int kDewarpTableLast = 4095;
constexpr float kDewarpMinCos = 0.01f;
constexpr float kDewarpFadeBand = 0.1f;

// Signed arcsine-table positions -kDewarpBeyond..kDewarpBeyond: |p| is the table index of |z'|,
// kDewarpBeyond stands for the directions past the table (elevation +-pi/2).
constexpr int kDewarpBeyond = kDewarpTableLast + 1;
constexpr int kDewarpPositions = 2 * kDewarpBeyond + 1;

// Per signed position p (element p + kDewarpBeyond): the quotient over the table cosine (angle
// from the lens axis inside the lens, from -z outside, or 1). The elevation never falls as p
// rises, so the lens and the fade band are ranges of p: inside the lens from lensFrom on, short
// of the fade end below fadeBelow. p = 0 serves both signs of a zero elevation.
struct alignas(32) DewarpScaleTable {
    float quot[(kDewarpPositions + 7) / 8 * 8];
    int lensFrom, fadeBelow;
};

// Fills ctx from the process-wide lens and fade state and the arguments. False (ctx unusable)
// when the lens is unset or an argument is invalid.
bool makeDewarpContext(DewarpContext* ctx, const void* src, int srcW, int srcH, double cx,
                       double cy, double radius, int bg, const void* patch, int patchW, int patchH,
                       int dstW, int dstH);
// Row set-up for latitude lat (radians): products with R formed in double.
DewarpRow makeDewarpRow(const double R[9], double lat);
// Latitude of row i of dstH rows: pi/2 - i pi / dstH.
double dewarpRowLatitude(int i, int dstH);

// The scale table of ctx, with the same arithmetic as dewarpPixel.
void buildDewarpScaleTable(const DewarpContext& ctx, DewarpScaleTable* table);

// One finished pixel (nearest or bilinear sample, then the edge fade); the nearest form is the
// reference for every kernel.
uint32_t dewarpPixel(const DewarpContext& ctx, const DewarpRow& row, float s, float c,
                     bool bilinear = false);

// The code of one pixel, as dewarpPixel locates and samples it (nearest), and its fade weight
// inside the fade band when the fade is on (-1 elsewhere).
struct DewarpPixelCode {
    int32_t code;
    float fadeWeight;
};
DewarpPixelCode dewarpPixelCode(const DewarpContext& ctx, const DewarpRow& row, float s, float c);
// dewarpPixelCode's code, or kDewarpCodeFade inside the fade band: what the code kernels write.
int32_t dewarpMapCode(const DewarpContext& ctx, const DewarpRow& row, float s, float c);
// The pixel a code names (as the gather kernels read it).
uint32_t dewarpCodePixel(int32_t code, const uint32_t* src, const uint32_t* patch, uint32_t bg);
// `pixel` blended toward the fade colour with weight w (the fade of dewarpPixel).
uint32_t fadeDewarpPixel(const int fadeBytes[4], float w, uint32_t pixel);

// The kernel chosen for this process (chosen on the first call, thread-safe).
DewarpKernel chosenDewarpKernel();
// The bilinear kernel for this processor (chosen on the first call without a log line).
DewarpKernel chosenDewarpBilinearKernel();

// Kernel choice from CPUID answers. `xgetbv` returns XCR0 and is called only when CPUID reports
// OSXSAVE. AVX2 needs the processor flag, AVX, OSXSAVE and the XMM and YMM state enabled in
// XCR0; otherwise SSE2 when leaf 1 reports it; otherwise C.
using CpuidFunction = void (*)(int out[4], int leaf);
using XgetbvFunction = uint64_t (*)();
enum class DewarpKernelKind { C, SSE2, AVX2 };
struct DewarpKernelChoice {
    DewarpKernelKind kind;
    DewarpKernel kernel;
    DewarpKernel bilinearKernel;
    DewarpCodeKernel codeKernel;
    DewarpGatherKernel gatherKernel;
    const char* logLine;  // the INFO line (tag "dewarp360") that announces the choice
};
DewarpKernelChoice chooseDewarpKernel(CpuidFunction cpuid, XgetbvFunction xgetbv);
// Whether this processor can run the kernel of `kind` (each kind runs where a later one does).
bool processorRunsDewarpKernel(DewarpKernelKind kind);
// XCR0 of this processor; only valid when CPUID reports OSXSAVE.
uint64_t readXcr0();
