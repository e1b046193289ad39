// Dewarp state and entries:
//   1. process-wide lens, patch and fade settings (one lock, copied into a context per call);
//   2. the kernel choice from CPUID, made once;
//   3. the entries, which pick the tables and the patch and run a kernel (the nearest ones
//      through a map of codes when the geometry repeats).

#include "Dewarp360.h"

#include <cpuid.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <mutex>

#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"
#include "DewarpMapCache.h"
#include "LogSystem.h"
#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr const char* kLogTag = "dewarp360";

// Process-wide settings, guarded by gStateMutex.
struct DewarpSettings {
    int frontDirection = FRONT_DIRECTION_NORMAL;
    double coveredDegree = 0.0;
    bool cameraParametersSet = false;
    const uint32_t* patchPattern = nullptr;  // borrowed from the caller
    int patchW = 0, patchH = 0;
    bool needFadeBound = false;
    int fadeColor[4] = {0, 0, 0, 0};  // byte 3 first, then bytes 2, 1, 0
};

std::mutex gStateMutex;
DewarpSettings gSettings;

DewarpSettings settings() {
    std::lock_guard<std::mutex> lock(gStateMutex);
    return gSettings;
}

bool validImage(const void* pixels, int w, int h) {
    return pixels && w >= 1 && h >= 1 && w <= kDewarpMaxSide && h <= kDewarpMaxSide &&
           static_cast<int64_t>(w) * h <= INT_MAX;
}

void setDirection(DewarpContext* ctx, int dir) {
    // (u, v) = (a, b), swapped when swapAB, then each negated by its flag.
    switch (dir) {
        case FRONT_DIRECTION_NORMAL:
            ctx->swapAB = false, ctx->negU = false, ctx->negV = false;
            break;
        case FRONT_DIRECTION_QUARTER:
            ctx->swapAB = true, ctx->negU = false, ctx->negV = true;
            break;
        case FRONT_DIRECTION_HALF:
            ctx->swapAB = false, ctx->negU = true, ctx->negV = true;
            break;
        case FRONT_DIRECTION_MIRROR:
            ctx->swapAB = false, ctx->negU = true, ctx->negV = false;
            break;
        default:
            ctx->swapAB = true, ctx->negU = true, ctx->negV = false;
            break;
    }
}

// Kernel choice, made once per process.
std::once_flag gKernelOnce;
DewarpKernelChoice gChoice = {DewarpKernelKind::C,          dewarpWithRotatedSrc_C,
                              dewarpBilinearWithRotatedSrc, dewarpCodes_C,
                              gatherDewarpCodes_C,          ""};

void initSIMD() {
    std::call_once(gKernelOnce, [] {
        gChoice = chooseDewarpKernel(cpuid, readXcr0);
        LogSystem::i(kLogTag, "%s", gChoice.logLine);
    });
}

bool osSavesAvx(const int leaf1[4], XgetbvFunction xgetbv) {
    const bool osxsave = (leaf1[2] >> 27) & 1;
    const bool avx = (leaf1[2] >> 28) & 1;
    const uint64_t xmmYmm = 0x6;
    return osxsave && avx && (xgetbv() & xmmYmm) == xmmYmm;
}

// The 1 x 1 pattern of bg used by the fill entries when no pattern is installed.
struct FillPatch {
    const void* pixels;
    int w, h;
};

FillPatch fillPatch(const DewarpSettings& s, const uint32_t* bgPixel) {
    if (s.patchPattern) return {s.patchPattern, s.patchW, s.patchH};
    return {bgPixel, 1, 1};
}

}  // namespace

void cpuid(int out[4], int leaf) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(static_cast<unsigned>(leaf), 0, a, b, c, d);
    out[0] = static_cast<int>(a);
    out[1] = static_cast<int>(b);
    out[2] = static_cast<int>(c);
    out[3] = static_cast<int>(d);
}

uint64_t readXcr0() {
    uint32_t lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<uint64_t>(hi) << 32) | lo;
}

DewarpKernelChoice chooseDewarpKernel(CpuidFunction cpuidFn, XgetbvFunction xgetbv) {
    // SSE2 has no gather: its processors build and replay maps with the plain code.
    const DewarpKernelChoice plain = {
        DewarpKernelKind::C, dewarpWithRotatedSrc_C, dewarpBilinearWithRotatedSrc,
        dewarpCodes_C,       gatherDewarpCodes_C,    "No SIMD will be used for Dewarp360."};
    int leaf0[4];
    cpuidFn(leaf0, 0);
    if (leaf0[0] <= 0) return plain;
    int leaf1[4];
    cpuidFn(leaf1, 1);
    if (leaf0[0] >= 7) {
        int leaf7[4];
        cpuidFn(leaf7, 7);
        if (((leaf7[1] >> 5) & 1) && osSavesAvx(leaf1, xgetbv))
            return {DewarpKernelKind::AVX2,
                    dewarpWithRotatedSrc_AVX2,
                    dewarpBilinearWithRotatedSrc_AVX2,
                    dewarpCodes_AVX2,
                    gatherDewarpCodes_AVX2,
                    "Dewarp360 will use AVX2."};
    }
    if ((leaf1[3] >> 26) & 1)
        return {
            DewarpKernelKind::SSE2, dewarpWithRotatedSrc_SSE2, dewarpBilinearWithRotatedSrc_SSE2,
            dewarpCodes_C,          gatherDewarpCodes_C,       "Dewarp360 will use SSE2."};
    return plain;
}

bool processorRunsDewarpKernel(DewarpKernelKind kind) {
    return kind <= chooseDewarpKernel(cpuid, readXcr0).kind;
}

DewarpKernel chosenDewarpKernel() {
    initSIMD();
    return gChoice.kernel;
}

DewarpKernel chosenDewarpBilinearKernel() {
    static const DewarpKernel kernel = chooseDewarpKernel(cpuid, readXcr0).bilinearKernel;
    return kernel;
}

bool makeDewarpContext(DewarpContext* ctx, const void* src, int srcW, int srcH, double cx,
                       double cy, double radius, int bg, const void* patch, int patchW, int patchH,
                       int dstW, int dstH) {
    const DewarpSettings s = settings();
    if (!s.cameraParametersSet || !validImage(src, srcW, srcH) || dstW < 1 || dstH < 1 ||
        dstW > kDewarpMaxSide || dstH > kDewarpMaxSide)
        return false;
    const bool hasPatch = validImage(patch, patchW, patchH);
    const double halfCovered = s.coveredDegree / 2 * kPi / 180;
    const double halfUncovered = (360 - s.coveredDegree) / 2 * kPi / 180;
    const int patchRadius = hasPatch ? std::min(patchW / 2, patchH / 2) : 0;
    ctx->src = static_cast<const uint32_t*>(src);
    ctx->srcW = srcW;
    ctx->srcH = srcH;
    ctx->patch = hasPatch ? static_cast<const uint32_t*>(patch) : nullptr;
    ctx->patchW = hasPatch ? patchW : 0;
    ctx->patchH = hasPatch ? patchH : 0;
    ctx->bg = static_cast<uint32_t>(bg);
    ctx->covered = s.coveredDegree;
    ctx->cx = static_cast<float>(cx);
    ctx->cy = static_cast<float>(cy);
    ctx->pcx = static_cast<float>(ctx->patchW / 2);
    ctx->pcy = static_cast<float>(ctx->patchH / 2);
    ctx->k = static_cast<float>(radius / halfCovered);
    ctx->kp = static_cast<float>(patchRadius / halfUncovered);
    ctx->edge = static_cast<float>((90 - s.coveredDegree / 2) * kPi / 180);
    ctx->fadeEnd = ctx->edge + kDewarpFadeBand;
    ctx->fade = s.needFadeBound;
    for (int b = 0; b < 4; ++b) ctx->fadeBytes[b] = s.fadeColor[3 - b];
    setDirection(ctx, s.frontDirection);
    ctx->asinTable = _init360ArcSinTable();
    ctx->cosTable = _init360MajorSinCosTable();
    return true;
}

void setCameraParameters(FrontDirection dir, double coveredDegree) {
    std::lock_guard<std::mutex> lock(gStateMutex);
    gSettings.frontDirection = dir;
    gSettings.coveredDegree = coveredDegree;
    gSettings.cameraParametersSet = true;
}

void set360PatchPattern(const void* pixels, int w, int h) {
    std::lock_guard<std::mutex> lock(gStateMutex);
    gSettings.patchPattern = static_cast<const uint32_t*>(pixels);
    gSettings.patchW = w;
    gSettings.patchH = h;
}

void reset360PatchPattern() { set360PatchPattern(nullptr, 0, 0); }

void setDewarpBoundFadeColor(int colour) {
    const uint32_t c = static_cast<uint32_t>(colour);
    std::lock_guard<std::mutex> lock(gStateMutex);
    for (int i = 0; i < 4; ++i)
        gSettings.fadeColor[i] = static_cast<int>((c >> (8 * (3 - i))) & 255u);
    gSettings.needFadeBound = true;
}

namespace {

// The chosen nearest kernel, or its map when the geometry repeats.
void drawNearest(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                 double radius, const double R[9], int dstW, int dstH,
                 const MajorSinCosTable& table, int bg, const void* patch, int patchW, int patchH) {
    DewarpContext ctx;
    if (dst && R &&
        makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH, dstW,
                          dstH) &&
        DewarpMapCache::draw(ctx, R, dstW, dstH, table.sin.data(), table.cos.data(),
                             static_cast<uint32_t*>(dst), gChoice.codeKernel, gChoice.gatherKernel))
        return;
    gChoice.kernel(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, table.sin.data(),
                   table.cos.data(), bg, patch, patchW, patchH);
}

}  // namespace

void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            const double R[9], int dstW, int dstH, int bg) {
    initSIMD();
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    const DewarpSettings s = settings();
    if (!s.cameraParametersSet || !table) return;
    const uint32_t bgPixel = static_cast<uint32_t>(bg);
    const FillPatch p = fillPatch(s, &bgPixel);
    drawNearest(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, *table, bg, p.pixels, p.w,
                p.h);
}

void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            const double R[9], int dstW, int dstH, const void* patch, int patchW, int patchH) {
    initSIMD();
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    if (!settings().cameraParametersSet || !table) return;
    drawNearest(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, *table, 0, patch, patchW,
                patchH);
}

void dewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
            double a, double b, int dstW, int dstH, int bg) {
    double rx[9], ry[9], R[9];
    fillRotationMatrixAlongX(-b, rx);
    fillRotationMatrixAlongY(-a, ry);
    rmatrixMutiply(rx, ry, R);
    dewarp(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, bg);
}

void dewarpBilinear(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                    double radius, const double R[9], int dstW, int dstH, int bg) {
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    const DewarpSettings s = settings();
    if (!s.cameraParametersSet || !table) return;
    chosenDewarpBilinearKernel()(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH,
                                 table->sin.data(), table->cos.data(), bg, s.patchPattern, s.patchW,
                                 s.patchH);
}

void dewarpBilinear(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                    double radius, const double R[9], int dstW, int dstH, const void* patch,
                    int patchW, int patchH) {
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    if (!settings().cameraParametersSet || !table) return;
    chosenDewarpBilinearKernel()(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH,
                                 table->sin.data(), table->cos.data(), 0, patch, patchW, patchH);
}

void partialDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                   double radius, const double R[9], int dstW, int dstH, double latTopDeg,
                   double latBottomDeg, double lonStartDeg, double lonEndDeg, int bg) {
    const PartialSinCosTable* table = get360PartialSinCosTable(dstW, lonStartDeg, lonEndDeg);
    const DewarpSettings s = settings();
    if (!s.cameraParametersSet || !table) return;
    const uint32_t bgPixel = static_cast<uint32_t>(bg);
    const FillPatch p = fillPatch(s, &bgPixel);
    partialDewarpWithRotatedSrc(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH,
                                table->sin.data(), table->cos.data(), bg, p.pixels, p.w, p.h,
                                latTopDeg, latBottomDeg);
}

void partialDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                   double radius, const double R[9], int dstW, int dstH, double latTopDeg,
                   double latBottomDeg, double lonStartDeg, double lonEndDeg, const void* patch,
                   int patchW, int patchH) {
    const PartialSinCosTable* table = get360PartialSinCosTable(dstW, lonStartDeg, lonEndDeg);
    if (!settings().cameraParametersSet || !table) return;
    partialDewarpWithRotatedSrc(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH,
                                table->sin.data(), table->cos.data(), 0, patch, patchW, patchH,
                                latTopDeg, latBottomDeg);
}
