// AVX2 dewarp kernels (nearest, bilinear and codes) and the gather of codes: eight columns per
// step, compiled for AVX2 without FMA. Arithmetic runs in the same order as dewarpPixel.
// Fade-band lanes and the tail columns go through dewarpPixel (dewarpMapCode for codes).
//
// The elevation, the table cosine and the quotient over it depend only on the signed
// arcsine-table position of z', so they come from the scale table built once per call: a step
// then needs one table gather besides the pixel gathers. Rows are drawn in bands, a tile of
// columns at a time; each row of a tile prefetches the source lines that the rows below will
// sample, extrapolated from the positions of the row above.
//
// Only intrinsics and code local to this file live here: anything emitted from a shared
// inline function could be picked by the linker for callers on processors without AVX2.

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "Dewarp360Kernels.h"

namespace {

constexpr int kBandRows = 8;
constexpr int kTileColumns = 128;
constexpr int kPrefetchRowsAhead = 3;

inline __m256 blend(__m256 mask, __m256 a, __m256 b) { return _mm256_blendv_ps(b, a, mask); }

inline __m256i blend(__m256i mask, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, mask); }

inline bool none(__m256i mask) { return _mm256_testz_si256(mask, mask); }

// Lanes with 0 <= v < n.
inline __m256i inRange(__m256i v, __m256i n) {
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), v),
                               _mm256_cmpgt_epi32(n, v));
}

inline __m256i clamp(__m256i v, __m256i hi) {
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), hi);
}

struct Constants {
    __m256 absMask, sign, half, one, zero, asinSteps;
    __m256 k, kp, cx, cy, pcx, pcy;
    __m256 swap, negU, negV;
    __m256i srcW, srcH, lastCol, lastRow, patchW, patchH, hasPatch;
    __m256i bg, patchPixel;  // patchPixel: the pixel of a one-pixel patch
    __m256i beyond, opaque, byteMask;
    bool onePixelPatch;
};

Constants makeConstants(const DewarpContext& ctx) {
    const __m256 allOnes = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
    const __m256 zero = _mm256_setzero_ps();
    Constants k;
    k.absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    k.sign = _mm256_castsi256_ps(_mm256_set1_epi32(INT32_MIN));
    k.half = _mm256_set1_ps(0.5f);
    k.one = _mm256_set1_ps(1.0f);
    k.zero = zero;
    k.asinSteps = _mm256_set1_ps(kDewarpAsinSteps);
    k.k = _mm256_set1_ps(ctx.k);
    k.kp = _mm256_set1_ps(ctx.kp);
    k.cx = _mm256_set1_ps(ctx.cx);
    k.cy = _mm256_set1_ps(ctx.cy);
    k.pcx = _mm256_set1_ps(ctx.pcx);
    k.pcy = _mm256_set1_ps(ctx.pcy);
    k.swap = ctx.swapAB ? allOnes : zero;
    k.negU = ctx.negU ? k.sign : zero;
    k.negV = ctx.negV ? k.sign : zero;
    k.srcW = _mm256_set1_epi32(ctx.srcW);
    k.srcH = _mm256_set1_epi32(ctx.srcH);
    k.lastCol = _mm256_set1_epi32(ctx.srcW - 1);
    k.lastRow = _mm256_set1_epi32(ctx.srcH - 1);
    k.patchW = _mm256_set1_epi32(ctx.patchW);
    k.patchH = _mm256_set1_epi32(ctx.patchH);
    k.hasPatch = _mm256_set1_epi32(ctx.patch ? -1 : 0);
    k.bg = _mm256_set1_epi32(static_cast<int32_t>(ctx.bg));
    k.onePixelPatch = ctx.patch && ctx.patchW == 1 && ctx.patchH == 1;
    k.patchPixel = _mm256_set1_epi32(k.onePixelPatch ? static_cast<int32_t>(ctx.patch[0]) : 0);
    k.beyond = _mm256_set1_epi32(kDewarpBeyond);
    k.opaque = _mm256_set1_epi32(static_cast<int32_t>(0xff000000u));
    k.byteMask = _mm256_set1_epi32(255);
    return k;
}

struct RowVectors {
    __m256 x[3], y[3], z[3];
};

RowVectors broadcast(const DewarpRow& row) {
    RowVectors r;
    for (int i = 0; i < 3; ++i) {
        r.x[i] = _mm256_set1_ps(row.x[i]);
        r.y[i] = _mm256_set1_ps(row.y[i]);
        r.z[i] = _mm256_set1_ps(row.z[i]);
    }
    return r;
}

inline __m256 dot(const __m256 r[3], __m256 s, __m256 c) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(r[0], c), _mm256_mul_ps(r[1], s)), r[2]);
}

// Where eight lanes land: signed table position, lens mask and the unrounded position in the
// source (lens lanes) or the patch.
struct Hits {
    __m256i p, lens;
    __m256 px, py;
};

Hits locate8(const Constants& K, const DewarpScaleTable& table, const RowVectors& row, __m256 s,
             __m256 c) {
    const __m256 x = dot(row.x, s, c), y = dot(row.y, s, c), z = dot(row.z, s, c);

    const __m256i idx = _mm256_cvttps_epi32(
        _mm256_add_ps(_mm256_mul_ps(_mm256_and_ps(z, K.absMask), K.asinSteps), K.half));
    const __m256i negative = _mm256_castps_si256(_mm256_cmp_ps(z, K.zero, _CMP_LT_OQ));
    Hits h;
    h.p = _mm256_sign_epi32(blend(inRange(idx, K.beyond), idx, K.beyond),
                            _mm256_or_si256(negative, _mm256_set1_epi32(1)));
    const __m256 quot = _mm256_i32gather_ps(table.quot + kDewarpBeyond, h.p, 4);
    h.lens = _mm256_cmpgt_epi32(h.p, _mm256_set1_epi32(table.lensFrom - 1));
    const __m256 inLens = _mm256_castsi256_ps(h.lens);

    const __m256 scale = blend(inLens, K.k, K.kp);
    __m256 a = _mm256_mul_ps(_mm256_mul_ps(x, scale), quot);
    const __m256 b = _mm256_mul_ps(_mm256_mul_ps(y, scale), quot);
    a = _mm256_xor_ps(a, _mm256_andnot_ps(inLens, K.sign));

    // Direction rule.
    const __m256 u = _mm256_xor_ps(blend(K.swap, b, a), K.negU);
    const __m256 v = _mm256_xor_ps(blend(K.swap, a, b), K.negV);
    h.px = _mm256_add_ps(blend(inLens, K.cx, K.pcx), u);
    h.py = _mm256_add_ps(blend(inLens, K.cy, K.pcy), v);
    return h;
}

// Source positions of the previous row in the same eight columns; col is -1 where it sampled
// no source pixel.
struct Trail {
    __m256i col, row;
};

// Position kPrefetchRowsAhead rows below, extrapolated from this row and the one before.
inline __m256i extrapolate(__m256i now, __m256i before, __m256i last) {
    const __m256i ahead = _mm256_set1_epi32(kPrefetchRowsAhead);
    return clamp(_mm256_add_epi32(now, _mm256_mullo_epi32(ahead, _mm256_sub_epi32(now, before))),
                 last);
}

// Prefetches the source lines that the rows below will sample where this row and the one
// before both sampled the source at (col, row), and moves the trail on to this row.
void prefetchAhead(const DewarpContext& ctx, const Constants& K, __m256i col, __m256i row,
                   __m256i inSrc, Trail* trail) {
    const Trail before = *trail;
    *trail = {blend(inSrc, col, _mm256_set1_epi32(-1)), row};
    const __m256i known =
        _mm256_and_si256(inSrc, _mm256_cmpgt_epi32(before.col, _mm256_set1_epi32(-1)));
    if (none(known)) return;
    const __m256i aheadCol = extrapolate(col, before.col, K.lastCol);
    const __m256i aheadRow = extrapolate(row, before.row, K.lastRow);
    alignas(32) int32_t at[8];
    _mm256_store_si256(
        reinterpret_cast<__m256i*>(at),
        _mm256_and_si256(known, _mm256_add_epi32(_mm256_mullo_epi32(aheadRow, K.srcW), aheadCol)));
    for (int l = 0; l < 8; ++l)
        _mm_prefetch(reinterpret_cast<const char*>(ctx.src + at[l]), _MM_HINT_T0);
}

// Pixel index row x w + col in the lanes of `mask`, 0 elsewhere.
inline __m256i pixelIndex(__m256i col, __m256i row, __m256i w, __m256i mask) {
    return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(row, mask), w),
                            _mm256_and_si256(col, mask));
}

// Pixels at index in the lanes of `mask`; the others keep `out`.
inline __m256i gather(const uint32_t* pixels, __m256i index, __m256i mask, __m256i out) {
    return _mm256_mask_i32gather_epi32(out, reinterpret_cast<const int*>(pixels), index, mask, 4);
}

// The nearest pixel of eight lanes: its column and row, and whether it lies in the source or
// in the patch.
struct NearestHits {
    __m256i col, row, inSrc, inPatch;
};

NearestHits nearestHits(const Constants& K, const Hits& h) {
    NearestHits n;
    n.col = _mm256_cvttps_epi32(_mm256_add_ps(h.px, K.half));
    n.row = _mm256_cvttps_epi32(_mm256_add_ps(h.py, K.half));
    n.inSrc =
        _mm256_and_si256(h.lens, _mm256_and_si256(inRange(n.col, K.srcW), inRange(n.row, K.srcH)));
    n.inPatch = _mm256_andnot_si256(
        h.lens, _mm256_and_si256(K.hasPatch, _mm256_and_si256(inRange(n.col, K.patchW),
                                                              inRange(n.row, K.patchH))));
    return n;
}

// Nearest samples of eight lanes; lanes in neither source nor patch keep bg.
__m256i nearest8(const DewarpContext& ctx, const Constants& K, const Hits& h, Trail* trail) {
    const NearestHits n = nearestHits(K, h);
    prefetchAhead(ctx, K, n.col, n.row, n.inSrc, trail);

    __m256i out = K.bg;
    if (!none(n.inSrc))
        out = gather(ctx.src, pixelIndex(n.col, n.row, K.srcW, n.inSrc), n.inSrc, out);
    if (K.onePixelPatch)
        out = blend(n.inPatch, K.patchPixel, out);
    else if (!none(n.inPatch))
        out = gather(ctx.patch, pixelIndex(n.col, n.row, K.patchW, n.inPatch), n.inPatch, out);
    return out;
}

// Codes of eight lanes (see dewarpPixelCode) without the fade.
__m256i codes8(const Constants& K, const Hits& h) {
    const NearestHits n = nearestHits(K, h);
    const __m256i allOnes = _mm256_set1_epi32(-1);
    __m256i out = _mm256_set1_epi32(kDewarpCodeBg);
    out = blend(n.inSrc, pixelIndex(n.col, n.row, K.srcW, n.inSrc), out);
    const __m256i patchAt = pixelIndex(n.col, n.row, K.patchW, n.inPatch);
    return blend(n.inPatch, _mm256_xor_si256(patchAt, allOnes), out);  // -1 - index
}

// Bilinear weights (1-fx)(1-fy), fx(1-fy), (1-fx)fy, fx fy of eight lanes.
struct Weights {
    __m256 w00, w10, w01, w11;
};

Weights weights(const Constants& K, const Hits& h, __m256i x0, __m256i y0) {
    // Fractions clamped to [0, 1] as std::min(std::max(f, 0), 1) does.
    const __m256 fx =
        _mm256_min_ps(K.one, _mm256_max_ps(K.zero, _mm256_sub_ps(h.px, _mm256_cvtepi32_ps(x0))));
    const __m256 fy =
        _mm256_min_ps(K.one, _mm256_max_ps(K.zero, _mm256_sub_ps(h.py, _mm256_cvtepi32_ps(y0))));
    const __m256 gx = _mm256_sub_ps(K.one, fx), gy = _mm256_sub_ps(K.one, fy);
    return {_mm256_mul_ps(gx, gy), _mm256_mul_ps(fx, gy), _mm256_mul_ps(gx, fy),
            _mm256_mul_ps(fx, fy)};
}

inline __m256 channel(const Constants& K, __m256i p, int shift) {
    return _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(p, shift), K.byteMask));
}

// Bytes 0-2 blended from the four neighbours, byte 3 = 255.
__m256i blendNeighbours(const Constants& K, const Weights& w, __m256i p00, __m256i p10, __m256i p01,
                        __m256i p11) {
    __m256i out = K.opaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const __m256 v =
            _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(w.w00, channel(K, p00, shift)),
                                                      _mm256_mul_ps(w.w10, channel(K, p10, shift))),
                                        _mm256_mul_ps(w.w01, channel(K, p01, shift))),
                          _mm256_mul_ps(w.w11, channel(K, p11, shift)));
        const __m256i byte = _mm256_min_epi32(_mm256_cvttps_epi32(v), K.byteMask);
        out = _mm256_or_si256(out, _mm256_slli_epi32(byte, shift));
    }
    return out;
}

// bilinearPixel of a w x h image in the lanes of `mask` (others keep `out`).
__m256i bilinearFrom(const Constants& K, const uint32_t* pixels, __m256i w, __m256i h, __m256i x0,
                     __m256i y0, const Weights& wt, __m256i mask, __m256i out) {
    const __m256i valid = _mm256_and_si256(mask, _mm256_and_si256(inRange(x0, w), inRange(y0, h)));
    if (none(valid)) return out;
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i lastLine = _mm256_or_si256(_mm256_cmpeq_epi32(x0, _mm256_sub_epi32(w, one)),
                                             _mm256_cmpeq_epi32(y0, _mm256_sub_epi32(h, one)));
    const __m256i inner = _mm256_andnot_si256(lastLine, valid);
    const __m256i i00 = pixelIndex(x0, y0, w, valid);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i p00 = gather(pixels, i00, valid, zero);
    __m256i px = _mm256_or_si256(p00, K.opaque);
    if (!none(inner)) {
        const __m256i i01 = _mm256_add_epi32(i00, w);
        const __m256i p10 = gather(pixels, _mm256_add_epi32(i00, one), inner, zero);
        const __m256i p01 = gather(pixels, i01, inner, zero);
        const __m256i p11 = gather(pixels, _mm256_add_epi32(i01, one), inner, zero);
        px = blend(inner, blendNeighbours(K, wt, p00, p10, p01, p11), px);
    }
    return blend(valid, px, out);
}

// Bilinear samples of eight lanes; lanes in neither source nor patch keep bg.
__m256i bilinear8(const DewarpContext& ctx, const Constants& K, const Hits& h, Trail* trail) {
    const __m256i x0 = _mm256_cvttps_epi32(h.px);
    const __m256i y0 = _mm256_cvttps_epi32(h.py);
    const __m256i inSrc =
        _mm256_and_si256(h.lens, _mm256_and_si256(inRange(x0, K.srcW), inRange(y0, K.srcH)));
    prefetchAhead(ctx, K, x0, y0, inSrc, trail);
    const Weights wt = weights(K, h, x0, y0);
    const __m256i out = bilinearFrom(K, ctx.src, K.srcW, K.srcH, x0, y0, wt, h.lens, K.bg);
    if (!ctx.patch) return out;
    return bilinearFrom(K, ctx.patch, K.patchW, K.patchH, x0, y0, wt,
                        _mm256_andnot_si256(h.lens, _mm256_set1_epi32(-1)), out);
}

// What the kernels write per output pixel.
enum class Output { Nearest, Bilinear, Codes };

// Eight pixels (or codes) of one row at columns with sines s and cosines c. `fadeLanes`
// receives the movemask of the lanes inside the fade band.
template <Output O>
__m256i dewarp8(const DewarpContext& ctx, const Constants& K, const DewarpScaleTable& table,
                const RowVectors& row, __m256 s, __m256 c, Trail* trail, int* fadeLanes) {
    const Hits h = locate8(K, table, row, s, c);
    const __m256i out = O == Output::Bilinear ? bilinear8(ctx, K, h, trail)
                        : O == Output::Codes  ? codes8(K, h)
                                              : nearest8(ctx, K, h, trail);
    const __m256i belowFadeEnd = _mm256_cmpgt_epi32(_mm256_set1_epi32(table.fadeBelow), h.p);
    *fadeLanes =
        ctx.fade ? _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(h.lens, belowFadeEnd)))
                 : 0;
    return out;
}

// The scalar pixel (or code) of column j, for fade-band lanes and tail columns.
template <Output O>
uint32_t scalarPixel(const DewarpContext& ctx, const DewarpRow& row, const float* sinTable,
                     const float* cosTable, int j) {
    if (O == Output::Codes)
        return static_cast<uint32_t>(dewarpMapCode(ctx, row, sinTable[j], cosTable[j]));
    return dewarpPixel(ctx, row, sinTable[j], cosTable[j], O == Output::Bilinear);
}

// Columns [from, to) of one row, `to - from` a multiple of 8 and at most kTileColumns.
template <Output O>
void drawSpan(const DewarpContext& ctx, const Constants& K, const DewarpScaleTable& table,
              const DewarpRow& row, const RowVectors& rowV, const float* sinTable,
              const float* cosTable, uint32_t* out, int from, int to, Trail* trails) {
    for (int j = from; j < to; j += 8) {
        int fadeLanes = 0;
        const __m256i p =
            dewarp8<O>(ctx, K, table, rowV, _mm256_loadu_ps(sinTable + j),
                       _mm256_loadu_ps(cosTable + j), &trails[(j - from) / 8], &fadeLanes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), p);
        for (int l = 0; fadeLanes; ++l, fadeLanes >>= 1)
            if (fadeLanes & 1) out[j + l] = scalarPixel<O>(ctx, row, sinTable, cosTable, j + l);
    }
}

template <Output O>
void dewarpRows(const DewarpContext& ctx, void* dst, const double R[9], int dstW, int dstH,
                const float* sinTable, const float* cosTable) {
    const Constants K = makeConstants(ctx);
    DewarpScaleTable table;
    buildDewarpScaleTable(ctx, &table);
    const int vectorEnd = dstW / 8 * 8;
    DewarpRow rows[kBandRows];
    RowVectors rowV[kBandRows];
    Trail trails[kTileColumns / 8];
    for (int i0 = 0; i0 < dstH; i0 += kBandRows) {
        const int bandRows = dstH - i0 < kBandRows ? dstH - i0 : kBandRows;
        for (int r = 0; r < bandRows; ++r) {
            rows[r] = makeDewarpRow(R, dewarpRowLatitude(i0 + r, dstH));
            rowV[r] = broadcast(rows[r]);
        }
        uint32_t* band = static_cast<uint32_t*>(dst) + static_cast<size_t>(i0) * dstW;
        for (int j0 = 0; j0 < vectorEnd; j0 += kTileColumns) {
            const int j1 = vectorEnd - j0 < kTileColumns ? vectorEnd : j0 + kTileColumns;
            for (Trail& t : trails) t = {_mm256_set1_epi32(-1), _mm256_setzero_si256()};
            for (int r = 0; r < bandRows; ++r)
                drawSpan<O>(ctx, K, table, rows[r], rowV[r], sinTable, cosTable,
                            band + static_cast<size_t>(r) * dstW, j0, j1, trails);
        }
        for (int r = 0; r < bandRows; ++r)
            for (int j = vectorEnd; j < dstW; ++j)
                band[static_cast<size_t>(r) * dstW + j] =
                    scalarPixel<O>(ctx, rows[r], sinTable, cosTable, j);
    }
}

template <Output O>
void dewarpRows(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                const double R[9], int dstW, int dstH, const float* sinTable, const float* cosTable,
                int bg, const void* patch, int patchW, int patchH) {
    DewarpContext ctx;
    if (!dst || !R || !sinTable || !cosTable ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH, dstW,
                           dstH))
        return;
    dewarpRows<O>(ctx, dst, R, dstW, dstH, sinTable, cosTable);
}

}  // namespace

void dewarpWithRotatedSrc_AVX2(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                               double radius, const double R[9], int dstW, int dstH,
                               const float* sinTable, const float* cosTable, int bg,
                               const void* patch, int patchW, int patchH) {
    dewarpRows<Output::Nearest>(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable,
                                cosTable, bg, patch, patchW, patchH);
}

void dewarpBilinearWithRotatedSrc_AVX2(const void* src, void* dst, int srcW, int srcH, double cx,
                                       double cy, double radius, const double R[9], int dstW,
                                       int dstH, const float* sinTable, const float* cosTable,
                                       int bg, const void* patch, int patchW, int patchH) {
    dewarpRows<Output::Bilinear>(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable,
                                 cosTable, bg, patch, patchW, patchH);
}

void dewarpCodes_AVX2(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                      const float* sinTable, const float* cosTable, int32_t* codes) {
    dewarpRows<Output::Codes>(ctx, codes, R, dstW, dstH, sinTable, cosTable);
}

void gatherDewarpCodes_AVX2(const int32_t* codes, size_t count, const uint32_t* src,
                            const uint32_t* patch, int64_t patchPixels, uint32_t bg,
                            uint32_t* dst) {
    const __m256i bgV = _mm256_set1_epi32(static_cast<int32_t>(bg));
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i bgCode = _mm256_set1_epi32(kDewarpCodeBg);
    const bool onePixelPatch = patch && patchPixels == 1;
    const __m256i patchPixel = _mm256_set1_epi32(onePixelPatch ? static_cast<int32_t>(*patch) : 0);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes + i));
        const __m256i inSrc = _mm256_cmpgt_epi32(c, minusOne);
        __m256i out = gather(src, c, inSrc, bgV);
        if (patch) {
            const __m256i inPatch = _mm256_andnot_si256(inSrc, _mm256_cmpgt_epi32(c, bgCode));
            if (onePixelPatch)
                out = blend(inPatch, patchPixel, out);
            else if (!none(inPatch))
                out = gather(patch, _mm256_xor_si256(c, minusOne), inPatch, out);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), out);
    }
    for (; i < count; ++i) dst[i] = dewarpCodePixel(codes[i], src, patch, bg);
}
