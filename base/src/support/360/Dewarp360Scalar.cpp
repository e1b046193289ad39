// Scalar dewarp code: the reference pixel shared with the SIMD kernels, the plain, bilinear and
// partial kernels, the fast unwrappers and the bilinear sampler.
// Order per pixel: locate (direction, rotation, elevation, lens or patch offsets, direction
// rule), sample (nearest or bilinear), fade.

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"

namespace {

// (int) of a float as the SIMD kernels do it (cvtt): toward zero, INT_MIN for NaN or overflow.
inline int truncToInt(float v) { return _mm_cvtt_ss2si(_mm_set_ss(v)); }

inline bool inRange(int v, int n) { return static_cast<unsigned>(v) < static_cast<unsigned>(n); }

// (int)v for a row count: -1 for v <= -1 (or NaN), hi for v >= hi.
int truncCount(double v, int hi) {
    if (!(v > -1.0)) return -1;
    return v >= hi ? hi : static_cast<int>(v);
}

enum class HitKind { Source, Patch, None };

// Where one output direction lands: a position in the source or in the patch, or nowhere.
struct DewarpHit {
    HitKind kind;
    float e;  // elevation, radians
    float px, py;
};

// |elevation| of a direction with |z'| = az.
float absElevation(const DewarpContext& ctx, float az) {
    const int idx = truncToInt(az * kDewarpAsinSteps + 0.5f);
    return idx >= 0 && idx <= kDewarpTableLast ? ctx.asinTable[idx] : kDewarpHalfPi;
}

// Divides `num` by the table cosine of |e| (= absE), or gives 1 near the axis.
float overCos(const DewarpContext& ctx, float absE, float num) {
    const int m = truncToInt(absE * kDewarpCosStepsPerRadian + 0.5f);
    if (m < 0 || m > kDewarpTableLast) return 1.0f;
    const float cm = ctx.cosTable[m];
    return cm >= kDewarpMinCos ? num / cm : 1.0f;
}

void applyDirection(const DewarpContext& ctx, float a, float b, float* u, float* v) {
    *u = ctx.swapAB ? b : a;
    *v = ctx.swapAB ? a : b;
    if (ctx.negU) *u = -*u;
    if (ctx.negV) *v = -*v;
}

DewarpHit locate(const DewarpContext& ctx, const DewarpRow& row, float s, float c) {
    const float x = row.x[0] * c + row.x[1] * s + row.x[2];
    const float y = row.y[0] * c + row.y[1] * s + row.y[2];
    const float z = row.z[0] * c + row.z[1] * s + row.z[2];
    const float absE = absElevation(ctx, std::fabs(z));
    const float e = z < 0.0f ? -absE : absE;
    DewarpHit hit{HitKind::None, e, 0.0f, 0.0f};
    float u = 0.0f, v = 0.0f;
    if (e >= ctx.edge) {
        const float f = overCos(ctx, absE, kDewarpHalfPi - e);
        applyDirection(ctx, x * ctx.k * f, y * ctx.k * f, &u, &v);
        hit = {HitKind::Source, e, ctx.cx + u, ctx.cy + v};
    } else if (ctx.patch) {
        const float g = overCos(ctx, absE, e + kDewarpHalfPi);
        applyDirection(ctx, -(x * ctx.kp * g), y * ctx.kp * g, &u, &v);
        hit = {HitKind::Patch, e, ctx.pcx + u, ctx.pcy + v};
    }
    return hit;
}

// Index of the nearest pixel of a w x h image to (px, py), or -1 outside.
int64_t nearestIndex(int w, int h, float px, float py) {
    const int col = truncToInt(px + 0.5f);
    const int row = truncToInt(py + 0.5f);
    if (!inRange(col, w) || !inRange(row, h)) return -1;
    return static_cast<int64_t>(row) * w + col;
}

uint32_t nearest(const uint32_t* pixels, int w, int h, float px, float py, uint32_t bg) {
    const int64_t at = nearestIndex(w, h, px, py);
    return at < 0 ? bg : pixels[at];
}

// Fade weight of a source hit at elevation e: inside the band [edge, edge + 0.1) when the fade
// is on, else -1.
float fadeWeight(const DewarpContext& ctx, float e) {
    if (!ctx.fade || e >= ctx.fadeEnd) return -1.0f;
    return std::sin(((e - ctx.edge) / kDewarpFadeBand) * kDewarpHalfPi);
}

uint32_t fadePixel(const DewarpContext& ctx, float e, uint32_t pixel) {
    const float w = fadeWeight(ctx, e);
    return w < 0.0f ? pixel : fadeDewarpPixel(ctx.fadeBytes, w, pixel);
}

uint32_t samplePixel(const DewarpContext& ctx, const DewarpHit& hit, bool bilinear) {
    const uint32_t* pixels = hit.kind == HitKind::Source ? ctx.src : ctx.patch;
    const int w = hit.kind == HitKind::Source ? ctx.srcW : ctx.patchW;
    const int h = hit.kind == HitKind::Source ? ctx.srcH : ctx.patchH;
    if (hit.kind == HitKind::None) return ctx.bg;
    if (bilinear)
        return bilinearPixel(pixels, w * 4, w, h, hit.px, hit.py, static_cast<int>(ctx.bg));
    return nearest(pixels, w, h, hit.px, hit.py, ctx.bg);
}

bool buffersValid(const void* dst, const double R[9], const float* sinTable,
                  const float* cosTable) {
    return dst && R && sinTable && cosTable;
}

// Runs `pixel(row, s, c)` over every output pixel; `latitude(i)` gives row i's latitude.
template <typename Latitude, typename Pixel>
void drawRows(void* dst, const double R[9], int dstW, int dstH, const float* sinTable,
              const float* cosTable, Latitude latitude, Pixel pixel) {
    for (int i = 0; i < dstH; ++i) {
        const DewarpRow row = makeDewarpRow(R, latitude(i));
        uint32_t* out = static_cast<uint32_t*>(dst) + static_cast<size_t>(i) * dstW;
        for (int j = 0; j < dstW; ++j) out[j] = pixel(row, sinTable[j], cosTable[j]);
    }
}

}  // namespace

double dewarpRowLatitude(int i, int dstH) {
    const double pi = 3.141592653589793;
    return pi / 2 - i * pi / dstH;
}

DewarpRow makeDewarpRow(const double R[9], double lat) {
    const double cl = std::cos(lat), sl = std::sin(lat);
    DewarpRow row;
    float* rows[3] = {row.x, row.y, row.z};
    for (int r = 0; r < 3; ++r) {
        rows[r][0] = static_cast<float>(R[3 * r] * cl);
        rows[r][1] = static_cast<float>(-(R[3 * r + 1] * cl));
        rows[r][2] = static_cast<float>(R[3 * r + 2] * sl);
    }
    return row;
}

void buildDewarpScaleTable(const DewarpContext& ctx, DewarpScaleTable* table) {
    int outsideLens = 0, belowFadeEnd = 0;
    for (int p = -kDewarpBeyond; p <= kDewarpBeyond; ++p) {
        const int idx = p < 0 ? -p : p;
        const float absE = idx <= kDewarpTableLast ? ctx.asinTable[idx] : kDewarpHalfPi;
        const float e = p < 0 ? -absE : absE;
        const bool inLens = e >= ctx.edge;
        table->quot[p + kDewarpBeyond] =
            overCos(ctx, absE, inLens ? kDewarpHalfPi - e : e + kDewarpHalfPi);
        outsideLens += inLens ? 0 : 1;
        belowFadeEnd += e < ctx.fadeEnd ? 1 : 0;
    }
    table->lensFrom = outsideLens - kDewarpBeyond;
    table->fadeBelow = belowFadeEnd - kDewarpBeyond;
}

uint32_t fadeDewarpPixel(const int fadeBytes[4], float w, uint32_t pixel) {
    uint32_t out = 0;
    for (int b = 0; b < 4; ++b) {
        const float p = static_cast<float>((pixel >> (8 * b)) & 255u);
        const int v = static_cast<int>(static_cast<float>(fadeBytes[b]) * (1.0f - w) + p * w);
        out |= static_cast<uint32_t>(v & 255) << (8 * b);
    }
    return out;
}

DewarpPixelCode dewarpPixelCode(const DewarpContext& ctx, const DewarpRow& row, float s, float c) {
    const DewarpHit hit = locate(ctx, row, s, c);
    if (hit.kind == HitKind::None) return {kDewarpCodeBg, -1.0f};
    if (hit.kind == HitKind::Patch) {
        const int64_t at = nearestIndex(ctx.patchW, ctx.patchH, hit.px, hit.py);
        return {at < 0 ? kDewarpCodeBg : static_cast<int32_t>(-1 - at), -1.0f};
    }
    const int64_t at = nearestIndex(ctx.srcW, ctx.srcH, hit.px, hit.py);
    return {at < 0 ? kDewarpCodeBg : static_cast<int32_t>(at), fadeWeight(ctx, hit.e)};
}

int32_t dewarpMapCode(const DewarpContext& ctx, const DewarpRow& row, float s, float c) {
    const DewarpPixelCode pc = dewarpPixelCode(ctx, row, s, c);
    return pc.fadeWeight < 0.0f ? pc.code : kDewarpCodeFade;
}

uint32_t dewarpCodePixel(int32_t code, const uint32_t* src, const uint32_t* patch, uint32_t bg) {
    if (code >= 0) return src[code];
    if (code == kDewarpCodeBg || !patch) return bg;
    return patch[-1 - static_cast<int64_t>(code)];
}

void dewarpCodes_C(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                   const float* sinTable, const float* cosTable, int32_t* codes) {
    drawRows(
        codes, R, dstW, dstH, sinTable, cosTable,
        [dstH](int i) { return dewarpRowLatitude(i, dstH); },
        [&ctx](const DewarpRow& row, float s, float c) {
            return static_cast<uint32_t>(dewarpMapCode(ctx, row, s, c));
        });
}

void gatherDewarpCodes_C(const int32_t* codes, size_t count, const uint32_t* src,
                         const uint32_t* patch, int64_t, uint32_t bg, uint32_t* dst) {
    for (size_t i = 0; i < count; ++i) dst[i] = dewarpCodePixel(codes[i], src, patch, bg);
}

uint32_t dewarpPixel(const DewarpContext& ctx, const DewarpRow& row, float s, float c,
                     bool bilinear) {
    const DewarpHit hit = locate(ctx, row, s, c);
    const uint32_t pixel = samplePixel(ctx, hit, bilinear);
    return hit.kind == HitKind::Source ? fadePixel(ctx, hit.e, pixel) : pixel;
}

namespace {

void dewarpRows(bool bilinear, const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                double radius, const double R[9], int dstW, int dstH, const float* sinTable,
                const float* cosTable, int bg, const void* patch, int patchW, int patchH) {
    DewarpContext ctx;
    if (!buffersValid(dst, R, sinTable, cosTable) ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH, dstW,
                           dstH))
        return;
    drawRows(
        dst, R, dstW, dstH, sinTable, cosTable,
        [dstH](int i) { return dewarpRowLatitude(i, dstH); },
        [&ctx, bilinear](const DewarpRow& row, float s, float c) {
            return dewarpPixel(ctx, row, s, c, bilinear);
        });
}

}  // namespace

void dewarpWithRotatedSrc_C(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                            double radius, const double R[9], int dstW, int dstH,
                            const float* sinTable, const float* cosTable, int bg, const void* patch,
                            int patchW, int patchH) {
    dewarpRows(false, src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable, cosTable, bg,
               patch, patchW, patchH);
}

void dewarpBilinearWithRotatedSrc(const void* src, void* dst, int srcW, int srcH, double cx,
                                  double cy, double radius, const double R[9], int dstW, int dstH,
                                  const float* sinTable, const float* cosTable, int bg,
                                  const void* patch, int patchW, int patchH) {
    dewarpRows(true, src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable, cosTable, bg,
               patch, patchW, patchH);
}

void partialDewarpWithRotatedSrc(const void* src, void* dst, int srcW, int srcH, double cx,
                                 double cy, double radius, const double R[9], int dstW, int dstH,
                                 const float* sinTable, const float* cosTable, int bg,
                                 const void* patch, int patchW, int patchH, double latTopDeg,
                                 double latBottomDeg) {
    DewarpContext ctx;
    if (!buffersValid(dst, R, sinTable, cosTable) ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH, dstW,
                           dstH))
        return;
    // A single row takes latTopDeg.
    const double toRad = 3.141592653589793 / 180.0;
    const double span = latTopDeg - latBottomDeg;
    const int steps = dstH > 1 ? dstH - 1 : 1;
    drawRows(
        dst, R, dstW, dstH, sinTable, cosTable,
        [=](int i) { return (latTopDeg - span * i / steps) * toRad; },
        [&ctx](const DewarpRow& row, float s, float c) {
            return samplePixel(ctx, locate(ctx, row, s, c), false);
        });
}

uint32_t bilinearPixel(const void* pixels, int strideBytes, int w, int h, float x, float y,
                       int bg) {
    const int x0 = truncToInt(x);
    const int y0 = truncToInt(y);
    if (!pixels || !inRange(x0, w) || !inRange(y0, h)) return static_cast<uint32_t>(bg);
    const uint8_t* row =
        static_cast<const uint8_t*>(pixels) + static_cast<size_t>(y0) * strideBytes;
    const uint32_t* p00 = reinterpret_cast<const uint32_t*>(row) + x0;
    if (x0 == w - 1 || y0 == h - 1) return *p00 | 0xff000000u;
    const uint32_t* p01 = reinterpret_cast<const uint32_t*>(row + strideBytes) + x0;
    // Positions just left of or above the image have negative fractions: sample the edge.
    const float fx = std::min(std::max(x - static_cast<float>(x0), 0.0f), 1.0f);
    const float fy = std::min(std::max(y - static_cast<float>(y0), 0.0f), 1.0f);
    uint32_t out = 0xff000000u;
    for (int b = 0; b < 3; ++b) {
        const int shift = 8 * b;
        const float v = (1 - fx) * (1 - fy) * ((p00[0] >> shift) & 255u) +
                        fx * (1 - fy) * ((p00[1] >> shift) & 255u) +
                        (1 - fx) * fy * ((p01[0] >> shift) & 255u) +
                        fx * fy * ((p01[1] >> shift) & 255u);
        out |= static_cast<uint32_t>(std::min(static_cast<int>(v), 255)) << shift;
    }
    return out;
}

void fastDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                int dstW, int dstH, int bg) {
    DewarpContext ctx;
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    if (!dst || !table ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, nullptr, 0, 0, dstW, dstH))
        return;
    const int n = std::max(truncCount(dstH * ctx.covered / 360 + 0.5, dstH), 0);
    uint32_t* out = static_cast<uint32_t*>(dst);
    std::fill(out + static_cast<size_t>(n) * dstW, out + static_cast<size_t>(dstH) * dstW, 0u);
    for (int i = 0; i < n; ++i) {
        const float rr = static_cast<float>(i * radius / n);
        uint32_t* line = out + static_cast<size_t>(i) * dstW;
        for (int j = 0; j < dstW; ++j) {
            float u, v;
            applyDirection(ctx, table->cos[j] * rr, -table->sin[j] * rr, &u, &v);
            line[j] = nearest(ctx.src, srcW, srcH, ctx.cx + u, ctx.cy + v, ctx.bg);
        }
    }
}

namespace {

// Lens offsets of one left-half column of the tilted unwrapping; `seen` is false outside the lens.
struct TiltedColumn {
    bool seen;
    float a, b;
};

uint32_t sampleTilted(const DewarpContext& ctx, const TiltedColumn& col, float bSign) {
    if (!col.seen) return ctx.bg;
    float u, v;
    applyDirection(ctx, col.a, bSign * col.b, &u, &v);
    return bilinearPixel(ctx.src, ctx.srcW * 4, ctx.srcW, ctx.srcH, ctx.cx + u, ctx.cy + v,
                         static_cast<int>(ctx.bg));
}

}  // namespace

void fastDewarp(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                double tiltDeg, int dstW, int dstH, int bg) {
    DewarpContext ctx;
    const MajorSinCosTable* table = _get360MajorSinCosTable(dstW);
    if (!dst || !table ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, nullptr, 0, 0, dstW, dstH))
        return;
    const int count = truncCount((ctx.covered / 2 + tiltDeg) * dstH / 180 + 0.5, dstH);
    const int last = std::min(count, dstH - 1);
    uint32_t* out = static_cast<uint32_t*>(dst);
    if (count < dstH)
        std::fill(out + static_cast<size_t>(std::max(count, 0)) * dstW,
                  out + static_cast<size_t>(dstH) * dstW, ctx.bg);
    const double t = tiltDeg * 3.141592653589793 / 180.0;
    const int left = (dstW + 1) / 2;  // an odd width computes its middle column itself
    std::vector<TiltedColumn> cols(left);
    for (int i = 0; i <= last; ++i) {
        const double lat = dewarpRowLatitude(i, dstH);
        const double cl = std::cos(lat), sl = std::sin(lat);
        const float zc = static_cast<float>(-cl * std::sin(t)),
                    z0 = static_cast<float>(sl * std::cos(t));
        const float ac = static_cast<float>(std::cos(t) * cl),
                    a0 = static_cast<float>(std::sin(t) * sl);
        const float bs = static_cast<float>(-cl);
        uint32_t* line = out + static_cast<size_t>(i) * dstW;
        for (int j = 0; j < left; ++j) {
            const float z = zc * table->cos[j] + z0;
            const float absE = absElevation(ctx, std::fabs(z));
            const float e = z < 0.0f ? -absE : absE;
            TiltedColumn& col = cols[j];
            col.seen = e >= ctx.edge;
            if (col.seen) {
                const float f = overCos(ctx, absE, kDewarpHalfPi - e);
                col.a = (ac * table->cos[j] + a0) * ctx.k * f;
                col.b = bs * table->sin[j] * ctx.k * f;
            }
            line[j] = sampleTilted(ctx, col, 1.0f);
        }
        for (int j = left; j < dstW; ++j) line[j] = sampleTilted(ctx, cols[dstW - 1 - j], -1.0f);
    }
}
