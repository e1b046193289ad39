// SSE2 dewarp kernel: four columns per step, SSE2 instructions only. Table and pixel fetches
// are scalar loads at clamped indices (SSE2 has no gather); the arithmetic, the index clamps
// and the masks are vector code in the same order as dewarpPixel. Fade-band lanes and the
// tail columns go through dewarpPixel.

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "Dewarp360Kernels.h"

namespace {

struct alignas(16) Lanes {
    int32_t v[4];
};

inline __m128 blend(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

inline __m128i blend(__m128i mask, __m128i a, __m128i b)
{
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Lanes with 0 <= v < n.
inline __m128i inRange(__m128i v, __m128i n)
{
    return _mm_and_si128(_mm_cmpgt_epi32(v, _mm_set1_epi32(-1)), _mm_cmplt_epi32(v, n));
}

// Low 32 bits of a x b per lane (SSE2 has no pmulld).
inline __m128i mulLo(__m128i a, __m128i b)
{
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

inline __m128 loadTable(const float* table, __m128i idx)
{
    Lanes l;
    _mm_store_si128(reinterpret_cast<__m128i*>(l.v), idx);
    return _mm_setr_ps(table[l.v[0]], table[l.v[1]], table[l.v[2]], table[l.v[3]]);
}

// Table entries at idx where 0 <= idx <= 4095, else `fallback`; `valid` receives the lanes in
// range.
inline __m128 lookup(const float* table, __m128i idx, __m128 fallback, __m128i* valid)
{
    *valid = inRange(idx, _mm_set1_epi32(kDewarpTableLast + 1));
    const __m128 v = loadTable(table, _mm_and_si128(idx, *valid));
    return blend(_mm_castsi128_ps(*valid), v, fallback);
}

struct Constants {
    __m128 absMask, sign, half, one, halfPi, asinSteps, cosSteps, minCos;
    __m128 edge, fadeEnd, k, kp, cx, cy, pcx, pcy;
    __m128 swap, negU, negV;
    __m128i srcW, srcH, patchW, patchH, hasPatch;
    __m128i bg;
};

Constants makeConstants(const DewarpContext& ctx)
{
    const __m128 allOnes = _mm_castsi128_ps(_mm_set1_epi32(-1));
    const __m128 none = _mm_setzero_ps();
    Constants k;
    k.absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    k.sign = _mm_castsi128_ps(_mm_set1_epi32(INT32_MIN));
    k.half = _mm_set1_ps(0.5f);
    k.one = _mm_set1_ps(1.0f);
    k.halfPi = _mm_set1_ps(kDewarpHalfPi);
    k.asinSteps = _mm_set1_ps(kDewarpAsinSteps);
    k.cosSteps = _mm_set1_ps(kDewarpCosStepsPerRadian);
    k.minCos = _mm_set1_ps(kDewarpMinCos);
    k.edge = _mm_set1_ps(ctx.edge);
    k.fadeEnd = _mm_set1_ps(ctx.fadeEnd);
    k.k = _mm_set1_ps(ctx.k);
    k.kp = _mm_set1_ps(ctx.kp);
    k.cx = _mm_set1_ps(ctx.cx);
    k.cy = _mm_set1_ps(ctx.cy);
    k.pcx = _mm_set1_ps(ctx.pcx);
    k.pcy = _mm_set1_ps(ctx.pcy);
    k.swap = ctx.swapAB ? allOnes : none;
    k.negU = ctx.negU ? k.sign : none;
    k.negV = ctx.negV ? k.sign : none;
    k.srcW = _mm_set1_epi32(ctx.srcW);
    k.srcH = _mm_set1_epi32(ctx.srcH);
    k.patchW = _mm_set1_epi32(ctx.patchW);
    k.patchH = _mm_set1_epi32(ctx.patchH);
    k.hasPatch = _mm_set1_epi32(ctx.patch ? -1 : 0);
    k.bg = _mm_set1_epi32(static_cast<int32_t>(ctx.bg));
    return k;
}

// Four pixels of one row at columns with sines s and cosines c. `fadeLanes` receives the
// movemask of the lanes inside the fade band.
__m128i dewarp4(const DewarpContext& ctx, const Constants& K, const DewarpRow& row, __m128 s,
                __m128 c, int* fadeLanes)
{
    auto dot = [&](const float* r) {
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(r[0]), c),
                                     _mm_mul_ps(_mm_set1_ps(r[1]), s)),
                          _mm_set1_ps(r[2]));
    };
    const __m128 x = dot(row.x), y = dot(row.y), z = dot(row.z);

    // Elevation from the arcsine table, sign of z'.
    __m128i validE, validM;
    const __m128i idx =
        _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_and_ps(z, K.absMask), K.asinSteps), K.half));
    const __m128 absE = lookup(ctx.asinTable, idx, K.halfPi, &validE);
    const __m128 e = _mm_xor_ps(absE, _mm_and_ps(_mm_cmplt_ps(z, _mm_setzero_ps()), K.sign));

    // Scale: angle from the lens axis (inside) or from -z (patch) over the table cosine.
    const __m128i m = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(absE, K.cosSteps), K.half));
    const __m128 cm = lookup(ctx.cosTable, m, K.one, &validM);
    const __m128 useCos = _mm_and_ps(_mm_castsi128_ps(validM), _mm_cmpge_ps(cm, K.minCos));
    const __m128 inLens = _mm_cmpge_ps(e, K.edge);
    const __m128 num = blend(inLens, _mm_sub_ps(K.halfPi, e), _mm_add_ps(e, K.halfPi));
    const __m128 quot = blend(useCos, _mm_div_ps(num, blend(useCos, cm, K.one)), K.one);
    const __m128 scale = blend(inLens, K.k, K.kp);
    __m128 a = _mm_mul_ps(_mm_mul_ps(x, scale), quot);
    const __m128 b = _mm_mul_ps(_mm_mul_ps(y, scale), quot);
    a = _mm_xor_ps(a, _mm_andnot_ps(inLens, K.sign));

    // Direction rule and nearest sample position.
    const __m128 u = _mm_xor_ps(blend(K.swap, b, a), K.negU);
    const __m128 v = _mm_xor_ps(blend(K.swap, a, b), K.negV);
    const __m128 px = _mm_add_ps(blend(inLens, K.cx, K.pcx), u);
    const __m128 py = _mm_add_ps(blend(inLens, K.cy, K.pcy), v);
    const __m128i col = _mm_cvttps_epi32(_mm_add_ps(px, K.half));
    const __m128i rowIdx = _mm_cvttps_epi32(_mm_add_ps(py, K.half));

    const __m128i lens = _mm_castps_si128(inLens);
    const __m128i inSrc = _mm_and_si128(
        lens, _mm_and_si128(inRange(col, K.srcW), inRange(rowIdx, K.srcH)));
    const __m128i inPatch = _mm_andnot_si128(
        lens, _mm_and_si128(K.hasPatch,
                            _mm_and_si128(inRange(col, K.patchW), inRange(rowIdx, K.patchH))));
    const __m128i any = _mm_or_si128(inSrc, inPatch);
    const __m128i width = blend(lens, K.srcW, K.patchW);
    const __m128i index =
        _mm_add_epi32(mulLo(_mm_and_si128(rowIdx, any), width), _mm_and_si128(col, any));

    Lanes at, fromPatch;
    _mm_store_si128(reinterpret_cast<__m128i*>(at.v), index);
    _mm_store_si128(reinterpret_cast<__m128i*>(fromPatch.v), inPatch);
    Lanes px4;
    for (int l = 0; l < 4; ++l)
        px4.v[l] = static_cast<int32_t>((fromPatch.v[l] ? ctx.patch : ctx.src)[at.v[l]]);
    const __m128i fetched = _mm_load_si128(reinterpret_cast<const __m128i*>(px4.v));

    *fadeLanes = ctx.fade ? _mm_movemask_ps(_mm_and_ps(inLens, _mm_cmplt_ps(e, K.fadeEnd))) : 0;
    return blend(any, fetched, K.bg);
}

}  // namespace

void dewarpWithRotatedSrc_SSE2(const void* src, void* dst, int srcW, int srcH, double cx,
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
        for (; j + 4 <= dstW; j += 4) {
            int fadeLanes = 0;
            const __m128i p = dewarp4(ctx, K, row, _mm_loadu_ps(sinTable + j),
                                      _mm_loadu_ps(cosTable + j), &fadeLanes);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), p);
            for (int l = 0; fadeLanes; ++l, fadeLanes >>= 1)
                if (fadeLanes & 1)
                    out[j + l] = dewarpPixel(ctx, row, sinTable[j + l], cosTable[j + l]);
        }
        for (; j < dstW; ++j)
            out[j] = dewarpPixel(ctx, row, sinTable[j], cosTable[j]);
    }
}
