// AVX2 dewarp kernel: eight columns (two groups of four) per step, compiled for AVX2 without
// FMA. Tables, source and patch are read with masked gathers at clamped indices; the
// arithmetic runs in the same order as dewarpPixel. Fade-band lanes and the tail columns go
// through dewarpPixel.
//
// Only intrinsics and code local to this file live here: anything emitted from a shared
// inline function could be picked by the linker for callers on processors without AVX2.

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "Dewarp360Kernels.h"

namespace {

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

// Table entries at idx where 0 <= idx <= 4095, else `fallback`; `valid` receives the lanes in
// range.
inline __m256 lookup(const float* table, __m256i idx, __m256 fallback, __m256i* valid)
{
    *valid = inRange(idx, _mm256_set1_epi32(kDewarpTableLast + 1));
    return _mm256_mask_i32gather_ps(fallback, table, _mm256_and_si256(idx, *valid),
                                    _mm256_castsi256_ps(*valid), 4);
}

struct Constants {
    __m256 absMask, sign, half, one, halfPi, asinSteps, cosSteps, minCos;
    __m256 edge, fadeEnd, k, kp, cx, cy, pcx, pcy;
    __m256 swap, negU, negV;
    __m256i srcW, srcH, patchW, patchH, hasPatch;
    __m256i bg;
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
    k.patchW = _mm256_set1_epi32(ctx.patchW);
    k.patchH = _mm256_set1_epi32(ctx.patchH);
    k.hasPatch = _mm256_set1_epi32(ctx.patch ? -1 : 0);
    k.bg = _mm256_set1_epi32(static_cast<int32_t>(ctx.bg));
    return k;
}

// Eight pixels of one row at columns with sines s and cosines c. `fadeLanes` receives the
// movemask of the lanes inside the fade band.
__m256i dewarp8(const DewarpContext& ctx, const Constants& K, const DewarpRow& row, __m256 s,
                __m256 c, int* fadeLanes)
{
    auto dot = [&](const float* r) {
        return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(r[0]), c),
                                           _mm256_mul_ps(_mm256_set1_ps(r[1]), s)),
                             _mm256_set1_ps(r[2]));
    };
    const __m256 x = dot(row.x), y = dot(row.y), z = dot(row.z);

    // Elevation from the arcsine table, sign of z'.
    __m256i validE, validM;
    const __m256i idx = _mm256_cvttps_epi32(
        _mm256_add_ps(_mm256_mul_ps(_mm256_and_ps(z, K.absMask), K.asinSteps), K.half));
    const __m256 absE = lookup(ctx.asinTable, idx, K.halfPi, &validE);
    const __m256 e = _mm256_xor_ps(
        absE, _mm256_and_ps(_mm256_cmp_ps(z, _mm256_setzero_ps(), _CMP_LT_OQ), K.sign));

    // Scale: angle from the lens axis (inside) or from -z (patch) over the table cosine.
    const __m256i m = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(absE, K.cosSteps), K.half));
    const __m256 cm = lookup(ctx.cosTable, m, K.one, &validM);
    const __m256 useCos =
        _mm256_and_ps(_mm256_castsi256_ps(validM), _mm256_cmp_ps(cm, K.minCos, _CMP_GE_OQ));
    const __m256 inLens = _mm256_cmp_ps(e, K.edge, _CMP_GE_OQ);
    const __m256 num = blend(inLens, _mm256_sub_ps(K.halfPi, e), _mm256_add_ps(e, K.halfPi));
    const __m256 quot = blend(useCos, _mm256_div_ps(num, blend(useCos, cm, K.one)), K.one);
    const __m256 scale = blend(inLens, K.k, K.kp);
    __m256 a = _mm256_mul_ps(_mm256_mul_ps(x, scale), quot);
    const __m256 b = _mm256_mul_ps(_mm256_mul_ps(y, scale), quot);
    a = _mm256_xor_ps(a, _mm256_andnot_ps(inLens, K.sign));

    // Direction rule and nearest sample position.
    const __m256 u = _mm256_xor_ps(blend(K.swap, b, a), K.negU);
    const __m256 v = _mm256_xor_ps(blend(K.swap, a, b), K.negV);
    const __m256 px = _mm256_add_ps(blend(inLens, K.cx, K.pcx), u);
    const __m256 py = _mm256_add_ps(blend(inLens, K.cy, K.pcy), v);
    const __m256i col = _mm256_cvttps_epi32(_mm256_add_ps(px, K.half));
    const __m256i rowIdx = _mm256_cvttps_epi32(_mm256_add_ps(py, K.half));

    const __m256i lens = _mm256_castps_si256(inLens);
    const __m256i inSrc = _mm256_and_si256(
        lens, _mm256_and_si256(inRange(col, K.srcW), inRange(rowIdx, K.srcH)));
    const __m256i inPatch = _mm256_andnot_si256(
        lens, _mm256_and_si256(K.hasPatch, _mm256_and_si256(inRange(col, K.patchW),
                                                            inRange(rowIdx, K.patchH))));

    // Source and patch gathers at clamped indices; lanes in neither keep bg.
    const __m256i srcIndex = _mm256_add_epi32(
        _mm256_mullo_epi32(_mm256_and_si256(rowIdx, inSrc), K.srcW), _mm256_and_si256(col, inSrc));
    __m256i out = _mm256_mask_i32gather_epi32(K.bg, reinterpret_cast<const int*>(ctx.src),
                                              srcIndex, inSrc, 4);
    if (!_mm256_testz_si256(inPatch, inPatch)) {
        const __m256i patchIndex =
            _mm256_add_epi32(_mm256_mullo_epi32(_mm256_and_si256(rowIdx, inPatch), K.patchW),
                             _mm256_and_si256(col, inPatch));
        out = _mm256_mask_i32gather_epi32(out, reinterpret_cast<const int*>(ctx.patch),
                                          patchIndex, inPatch, 4);
    }

    *fadeLanes = ctx.fade ? _mm256_movemask_ps(_mm256_and_ps(
                                inLens, _mm256_cmp_ps(e, K.fadeEnd, _CMP_LT_OQ)))
                          : 0;
    return out;
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
    for (int i = 0; i < dstH; ++i) {
        const DewarpRow row = makeDewarpRow(R, dewarpRowLatitude(i, dstH));
        uint32_t* out = static_cast<uint32_t*>(dst) + static_cast<size_t>(i) * dstW;
        int j = 0;
        for (; j + 8 <= dstW; j += 8) {
            int fadeLanes = 0;
            const __m256i p = dewarp8(ctx, K, row, _mm256_loadu_ps(sinTable + j),
                                      _mm256_loadu_ps(cosTable + j), &fadeLanes);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), p);
            for (int l = 0; fadeLanes; ++l, fadeLanes >>= 1)
                if (fadeLanes & 1)
                    out[j + l] = dewarpPixel(ctx, row, sinTable[j + l], cosTable[j + l]);
        }
        for (; j < dstW; ++j)
            out[j] = dewarpPixel(ctx, row, sinTable[j], cosTable[j]);
    }
}
