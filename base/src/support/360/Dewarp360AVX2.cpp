// AVX2 dewarp kernel: eight columns per step, compiled for AVX2 without FMA. Arithmetic runs in
// the same order as dewarpPixel. Fade-band lanes and the tail columns go through dewarpPixel.
//
// The elevation, the table cosine and the quotient over it depend only on the signed
// arcsine-table position of z', so they are worked out once per call for every position: a
// step then needs one table gather besides the pixel gather. Rows are drawn in bands, a tile of
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

// Signed positions -kBeyond..kBeyond: |p| is the arcsine-table index, kBeyond stands for the
// directions past the table (elevation +-pi/2). p = 0 serves both signs of a zero elevation,
// which give the same quotient.
constexpr int kBeyond = kDewarpTableLast + 1;
constexpr int kPositions = 2 * kBeyond + 1;
constexpr int kBandRows = 8;
constexpr int kTileColumns = 128;
constexpr int kPrefetchRowsAhead = 3;

inline __m256 blend(__m256 mask, __m256 a, __m256 b)
{
    return _mm256_blendv_ps(b, a, mask);
}

inline __m256i blend(__m256i mask, __m256i a, __m256i b)
{
    return _mm256_blendv_epi8(b, a, mask);
}

// Lanes with 0 <= v < n.
inline __m256i inRange(__m256i v, __m256i n)
{
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), v),
                               _mm256_cmpgt_epi32(n, v));
}

inline __m256i clamp(__m256i v, __m256i hi)
{
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), hi);
}

// Table entries at idx where 0 <= idx <= 4095, else `fallback`; `valid` receives the lanes in
// range.
inline __m256 lookup(const float* table, __m256i idx, __m256 fallback, __m256i* valid)
{
    *valid = inRange(idx, _mm256_set1_epi32(kDewarpTableLast + 1));
    return _mm256_mask_i32gather_ps(fallback, table, _mm256_and_si256(idx, *valid),
                                    _mm256_castsi256_ps(*valid), 4);
}

inline int countLanes(__m256 mask)
{
    return __builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(mask)));
}

struct Constants {
    __m256 absMask, sign, half, one, halfPi, asinSteps, cosSteps, minCos;
    __m256 edge, fadeEnd, k, kp, cx, cy, pcx, pcy;
    __m256 swap, negU, negV;
    __m256i srcW, srcH, lastCol, lastRow, patchW, patchH, hasPatch;
    __m256i bg, patchPixel;  // patchPixel: the pixel of a one-pixel patch
    __m256i beyond;
    bool onePixelPatch;
};

Constants makeConstants(const DewarpContext& ctx)
{
    const __m256 allOnes = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
    const __m256 none = _mm256_setzero_ps();
    Constants k;
    k.absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    k.sign = _mm256_castsi256_ps(_mm256_set1_epi32(INT32_MIN));
    k.half = _mm256_set1_ps(0.5f);
    k.one = _mm256_set1_ps(1.0f);
    k.halfPi = _mm256_set1_ps(kDewarpHalfPi);
    k.asinSteps = _mm256_set1_ps(kDewarpAsinSteps);
    k.cosSteps = _mm256_set1_ps(kDewarpCosStepsPerRadian);
    k.minCos = _mm256_set1_ps(kDewarpMinCos);
    k.edge = _mm256_set1_ps(ctx.edge);
    k.fadeEnd = _mm256_set1_ps(ctx.fadeEnd);
    k.k = _mm256_set1_ps(ctx.k);
    k.kp = _mm256_set1_ps(ctx.kp);
    k.cx = _mm256_set1_ps(ctx.cx);
    k.cy = _mm256_set1_ps(ctx.cy);
    k.pcx = _mm256_set1_ps(ctx.pcx);
    k.pcy = _mm256_set1_ps(ctx.pcy);
    k.swap = ctx.swapAB ? allOnes : none;
    k.negU = ctx.negU ? k.sign : none;
    k.negV = ctx.negV ? k.sign : none;
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
    k.beyond = _mm256_set1_epi32(kBeyond);
    return k;
}

// Per signed position p: the quotient over the table cosine (angle from the lens axis inside
// the lens, from -z outside, or 1). The arcsine table rises with its index, so the elevation
// never falls as p rises and the lens and the fade band are ranges of p: inside the lens from
// lensFrom on, short of the fade end below fadeBelow.
struct alignas(32) ScaleTable {
    float quot[(kPositions + 7) / 8 * 8];
    int lensFrom, fadeBelow;
};

void buildScaleTable(const DewarpContext& ctx, const Constants& K, ScaleTable* t)
{
    const __m256i step = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int outsideLens = 0, belowFadeEnd = 0;
    for (int first = -kBeyond; first <= kBeyond; first += 8) {
        const __m256i p = _mm256_add_epi32(_mm256_set1_epi32(first), step);
        const __m256 negative =
            _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_setzero_si256(), p));
        __m256i validE, validM;
        const __m256 absE = lookup(ctx.asinTable, _mm256_abs_epi32(p), K.halfPi, &validE);
        const __m256 e = _mm256_xor_ps(absE, _mm256_and_ps(negative, K.sign));

        const __m256i m =
            _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(absE, K.cosSteps), K.half));
        const __m256 cm = lookup(ctx.cosTable, m, K.one, &validM);
        const __m256 useCos =
            _mm256_and_ps(_mm256_castsi256_ps(validM), _mm256_cmp_ps(cm, K.minCos, _CMP_GE_OQ));
        const __m256 inLens = _mm256_cmp_ps(e, K.edge, _CMP_GE_OQ);
        const __m256 num = blend(inLens, _mm256_sub_ps(K.halfPi, e), _mm256_add_ps(e, K.halfPi));
        _mm256_store_ps(t->quot + (first + kBeyond),
                        blend(useCos, _mm256_div_ps(num, blend(useCos, cm, K.one)), K.one));

        const __m256 used =
            _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(kBeyond + 1), p));
        outsideLens += countLanes(_mm256_andnot_ps(inLens, used));
        belowFadeEnd += countLanes(_mm256_and_ps(_mm256_cmp_ps(e, K.fadeEnd, _CMP_LT_OQ), used));
    }
    t->lensFrom = outsideLens - kBeyond;
    t->fadeBelow = belowFadeEnd - kBeyond;
}

struct RowVectors {
    __m256 x[3], y[3], z[3];
};

RowVectors broadcast(const DewarpRow& row)
{
    RowVectors r;
    for (int i = 0; i < 3; ++i) {
        r.x[i] = _mm256_set1_ps(row.x[i]);
        r.y[i] = _mm256_set1_ps(row.y[i]);
        r.z[i] = _mm256_set1_ps(row.z[i]);
    }
    return r;
}

inline __m256 dot(const __m256 r[3], __m256 s, __m256 c)
{
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(r[0], c), _mm256_mul_ps(r[1], s)), r[2]);
}

// Where eight lanes sample: nearest position and signed table position.
struct Hits {
    __m256i p, lens, col, row;
};

Hits locate8(const Constants& K, const ScaleTable& table, const RowVectors& row, __m256 s,
             __m256 c)
{
    const __m256 x = dot(row.x, s, c), y = dot(row.y, s, c), z = dot(row.z, s, c);

    const __m256i idx = _mm256_cvttps_epi32(
        _mm256_add_ps(_mm256_mul_ps(_mm256_and_ps(z, K.absMask), K.asinSteps), K.half));
    const __m256i negative =
        _mm256_castps_si256(_mm256_cmp_ps(z, _mm256_setzero_ps(), _CMP_LT_OQ));
    Hits h;
    h.p = _mm256_sign_epi32(blend(inRange(idx, K.beyond), idx, K.beyond),
                            _mm256_or_si256(negative, _mm256_set1_epi32(1)));
    const __m256 quot = _mm256_i32gather_ps(table.quot + kBeyond, h.p, 4);
    h.lens = _mm256_cmpgt_epi32(h.p, _mm256_set1_epi32(table.lensFrom - 1));
    const __m256 inLens = _mm256_castsi256_ps(h.lens);

    const __m256 scale = blend(inLens, K.k, K.kp);
    __m256 a = _mm256_mul_ps(_mm256_mul_ps(x, scale), quot);
    const __m256 b = _mm256_mul_ps(_mm256_mul_ps(y, scale), quot);
    a = _mm256_xor_ps(a, _mm256_andnot_ps(inLens, K.sign));

    // Direction rule and nearest sample position.
    const __m256 u = _mm256_xor_ps(blend(K.swap, b, a), K.negU);
    const __m256 v = _mm256_xor_ps(blend(K.swap, a, b), K.negV);
    const __m256 px = _mm256_add_ps(blend(inLens, K.cx, K.pcx), u);
    const __m256 py = _mm256_add_ps(blend(inLens, K.cy, K.pcy), v);
    h.col = _mm256_cvttps_epi32(_mm256_add_ps(px, K.half));
    h.row = _mm256_cvttps_epi32(_mm256_add_ps(py, K.half));
    return h;
}

// Source positions of the previous row in the same eight columns; col is -1 where it sampled
// no source pixel.
struct Trail {
    __m256i col, row;
};

// Position kPrefetchRowsAhead rows below, extrapolated from this row and the one before.
inline __m256i extrapolate(__m256i now, __m256i before, __m256i last)
{
    const __m256i ahead = _mm256_set1_epi32(kPrefetchRowsAhead);
    return clamp(_mm256_add_epi32(now, _mm256_mullo_epi32(ahead, _mm256_sub_epi32(now, before))),
                 last);
}

// Prefetches the source lines that the rows below will sample where this row and the one
// before both sampled the source, and moves the trail on to this row.
void prefetchAhead(const DewarpContext& ctx, const Constants& K, const Hits& h, __m256i inSrc,
                   Trail* trail)
{
    const Trail before = *trail;
    *trail = {blend(inSrc, h.col, _mm256_set1_epi32(-1)), h.row};
    const __m256i known =
        _mm256_and_si256(inSrc, _mm256_cmpgt_epi32(before.col, _mm256_set1_epi32(-1)));
    if (_mm256_testz_si256(known, known))
        return;
    const __m256i col = extrapolate(h.col, before.col, K.lastCol);
    const __m256i row = extrapolate(h.row, before.row, K.lastRow);
    alignas(32) int32_t at[8];
    _mm256_store_si256(
        reinterpret_cast<__m256i*>(at),
        _mm256_and_si256(known, _mm256_add_epi32(_mm256_mullo_epi32(row, K.srcW), col)));
    for (int l = 0; l < 8; ++l)
        _mm_prefetch(reinterpret_cast<const char*>(ctx.src + at[l]), _MM_HINT_T0);
}

// Eight pixels of one row at columns with sines s and cosines c. `fadeLanes` receives the
// movemask of the lanes inside the fade band.
__m256i dewarp8(const DewarpContext& ctx, const Constants& K, const ScaleTable& table,
                const RowVectors& row, __m256 s, __m256 c, Trail* trail, int* fadeLanes)
{
    const Hits h = locate8(K, table, row, s, c);
    const __m256i inSrc = _mm256_and_si256(
        h.lens, _mm256_and_si256(inRange(h.col, K.srcW), inRange(h.row, K.srcH)));
    const __m256i inPatch = _mm256_andnot_si256(
        h.lens, _mm256_and_si256(K.hasPatch, _mm256_and_si256(inRange(h.col, K.patchW),
                                                              inRange(h.row, K.patchH))));
    prefetchAhead(ctx, K, h, inSrc, trail);

    // Source and patch gathers at clamped indices; lanes in neither keep bg.
    __m256i out = K.bg;
    if (!_mm256_testz_si256(inSrc, inSrc)) {
        const __m256i srcIndex =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(h.row, inSrc), K.srcW),
                             _mm256_and_si256(h.col, inSrc));
        out = _mm256_mask_i32gather_epi32(out, reinterpret_cast<const int*>(ctx.src), srcIndex,
                                          inSrc, 4);
    }
    if (K.onePixelPatch) {
        out = blend(inPatch, K.patchPixel, out);
    } else if (!_mm256_testz_si256(inPatch, inPatch)) {
        const __m256i patchIndex =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(h.row, inPatch), K.patchW),
                             _mm256_and_si256(h.col, inPatch));
        out = _mm256_mask_i32gather_epi32(out, reinterpret_cast<const int*>(ctx.patch),
                                          patchIndex, inPatch, 4);
    }

    const __m256i belowFadeEnd = _mm256_cmpgt_epi32(_mm256_set1_epi32(table.fadeBelow), h.p);
    *fadeLanes = ctx.fade ? _mm256_movemask_ps(
                                _mm256_castsi256_ps(_mm256_and_si256(h.lens, belowFadeEnd)))
                          : 0;
    return out;
}

// Columns [from, to) of one row, `to - from` a multiple of 8 and at most kTileColumns.
void drawSpan(const DewarpContext& ctx, const Constants& K, const ScaleTable& table,
              const DewarpRow& row, const RowVectors& rowV, const float* sinTable,
              const float* cosTable, uint32_t* out, int from, int to, Trail* trails)
{
    for (int j = from; j < to; j += 8) {
        int fadeLanes = 0;
        const __m256i p = dewarp8(ctx, K, table, rowV, _mm256_loadu_ps(sinTable + j),
                                  _mm256_loadu_ps(cosTable + j), &trails[(j - from) / 8],
                                  &fadeLanes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), p);
        for (int l = 0; fadeLanes; ++l, fadeLanes >>= 1)
            if (fadeLanes & 1)
                out[j + l] = dewarpPixel(ctx, row, sinTable[j + l], cosTable[j + l]);
    }
}

}  // namespace

void dewarpWithRotatedSrc_AVX2(const void* src, void* dst, int srcW, int srcH, double cx,
                               double cy, double radius, const double R[9], int dstW, int dstH,
                               const float* sinTable, const float* cosTable, int bg,
                               const void* patch, int patchW, int patchH)
{
    DewarpContext ctx;
    if (!dst || !R || !sinTable || !cosTable ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH,
                           dstW, dstH))
        return;
    const Constants K = makeConstants(ctx);
    ScaleTable table;
    buildScaleTable(ctx, K, &table);
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
            for (Trail& t : trails)
                t = {_mm256_set1_epi32(-1), _mm256_setzero_si256()};
            for (int r = 0; r < bandRows; ++r)
                drawSpan(ctx, K, table, rows[r], rowV[r], sinTable, cosTable,
                         band + static_cast<size_t>(r) * dstW, j0, j1, trails);
        }
        for (int r = 0; r < bandRows; ++r)
            for (int j = vectorEnd; j < dstW; ++j)
                band[static_cast<size_t>(r) * dstW + j] =
                    dewarpPixel(ctx, rows[r], sinTable[j], cosTable[j]);
    }
}
