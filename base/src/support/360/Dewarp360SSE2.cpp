// SSE2 dewarp kernels (nearest and bilinear): four columns per step, SSE2 instructions only.
// The quotient over the table cosine comes from the scale table built once per call; table and
// pixel fetches are scalar loads at masked indices (SSE2 has no gather). The arithmetic, the
// index clamps and the masks are vector code in the same order as dewarpPixel. Fade-band lanes
// and the tail columns go through dewarpPixel.

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "Dewarp360Kernels.h"

namespace {

struct alignas(16) Lanes {
    int32_t v[4];
};

inline Lanes lanes(__m128i v) {
    Lanes l;
    _mm_store_si128(reinterpret_cast<__m128i*>(l.v), v);
    return l;
}

inline __m128 blend(__m128 mask, __m128 a, __m128 b) {
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

inline __m128i blend(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

inline bool none(__m128i mask) { return _mm_movemask_epi8(mask) == 0; }

// Lanes with 0 <= v < n.
inline __m128i inRange(__m128i v, __m128i n) {
    return _mm_and_si128(_mm_cmpgt_epi32(v, _mm_set1_epi32(-1)), _mm_cmplt_epi32(v, n));
}

// Low 32 bits of a x b per lane (SSE2 has no pmulld).
inline __m128i mulLo(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

struct Constants {
    __m128 absMask, sign, half, one, zero, asinSteps;
    __m128 k, kp, cx, cy, pcx, pcy;
    __m128 swap, negU, negV;
    __m128i srcW, srcH, patchW, patchH, hasPatch;
    __m128i bg, beyond, opaque, byteMask;
};

Constants makeConstants(const DewarpContext& ctx) {
    const __m128 allOnes = _mm_castsi128_ps(_mm_set1_epi32(-1));
    const __m128 zero = _mm_setzero_ps();
    Constants k;
    k.absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    k.sign = _mm_castsi128_ps(_mm_set1_epi32(INT32_MIN));
    k.half = _mm_set1_ps(0.5f);
    k.one = _mm_set1_ps(1.0f);
    k.zero = zero;
    k.asinSteps = _mm_set1_ps(kDewarpAsinSteps);
    k.k = _mm_set1_ps(ctx.k);
    k.kp = _mm_set1_ps(ctx.kp);
    k.cx = _mm_set1_ps(ctx.cx);
    k.cy = _mm_set1_ps(ctx.cy);
    k.pcx = _mm_set1_ps(ctx.pcx);
    k.pcy = _mm_set1_ps(ctx.pcy);
    k.swap = ctx.swapAB ? allOnes : zero;
    k.negU = ctx.negU ? k.sign : zero;
    k.negV = ctx.negV ? k.sign : zero;
    k.srcW = _mm_set1_epi32(ctx.srcW);
    k.srcH = _mm_set1_epi32(ctx.srcH);
    k.patchW = _mm_set1_epi32(ctx.patchW);
    k.patchH = _mm_set1_epi32(ctx.patchH);
    k.hasPatch = _mm_set1_epi32(ctx.patch ? -1 : 0);
    k.bg = _mm_set1_epi32(static_cast<int32_t>(ctx.bg));
    k.beyond = _mm_set1_epi32(kDewarpBeyond);
    k.opaque = _mm_set1_epi32(static_cast<int32_t>(0xff000000u));
    k.byteMask = _mm_set1_epi32(255);
    return k;
}

// Where four lanes land: signed table position, lens mask and the unrounded position in the
// source (lens lanes) or the patch.
struct Hits {
    __m128i p, lens;
    __m128 px, py;
};

Hits locate4(const Constants& K, const DewarpScaleTable& table, const DewarpRow& row, __m128 s,
             __m128 c) {
    auto dot = [&](const float* r) {
        return _mm_add_ps(
            _mm_add_ps(_mm_mul_ps(_mm_set1_ps(r[0]), c), _mm_mul_ps(_mm_set1_ps(r[1]), s)),
            _mm_set1_ps(r[2]));
    };
    const __m128 x = dot(row.x), y = dot(row.y), z = dot(row.z);

    // Signed table position: |p| from |z'| (kDewarpBeyond past the table), the sign of z'.
    const __m128i idx =
        _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_and_ps(z, K.absMask), K.asinSteps), K.half));
    const __m128i absP = blend(inRange(idx, K.beyond), idx, K.beyond);
    const __m128i negative = _mm_castps_si128(_mm_cmplt_ps(z, K.zero));
    Hits h;
    h.p = _mm_sub_epi32(_mm_xor_si128(absP, negative), negative);
    const Lanes at = lanes(h.p);
    const float* quotAt = table.quot + kDewarpBeyond;
    const __m128 quot =
        _mm_setr_ps(quotAt[at.v[0]], quotAt[at.v[1]], quotAt[at.v[2]], quotAt[at.v[3]]);
    h.lens = _mm_cmpgt_epi32(h.p, _mm_set1_epi32(table.lensFrom - 1));
    const __m128 inLens = _mm_castsi128_ps(h.lens);

    const __m128 scale = blend(inLens, K.k, K.kp);
    __m128 a = _mm_mul_ps(_mm_mul_ps(x, scale), quot);
    const __m128 b = _mm_mul_ps(_mm_mul_ps(y, scale), quot);
    a = _mm_xor_ps(a, _mm_andnot_ps(inLens, K.sign));

    // Direction rule.
    const __m128 u = _mm_xor_ps(blend(K.swap, b, a), K.negU);
    const __m128 v = _mm_xor_ps(blend(K.swap, a, b), K.negV);
    h.px = _mm_add_ps(blend(inLens, K.cx, K.pcx), u);
    h.py = _mm_add_ps(blend(inLens, K.cy, K.pcy), v);
    return h;
}

// Pixel index row x w + col in the lanes of `mask`, 0 elsewhere.
inline __m128i pixelIndex(__m128i col, __m128i row, __m128i w, __m128i mask) {
    return _mm_add_epi32(mulLo(_mm_and_si128(row, mask), w), _mm_and_si128(col, mask));
}

inline __m128i fetch(const uint32_t* pixels, __m128i index) {
    const Lanes at = lanes(index);
    return _mm_setr_epi32(
        static_cast<int32_t>(pixels[at.v[0]]), static_cast<int32_t>(pixels[at.v[1]]),
        static_cast<int32_t>(pixels[at.v[2]]), static_cast<int32_t>(pixels[at.v[3]]));
}

// Nearest samples of four lanes; lanes in neither source nor patch keep bg.
__m128i nearest4(const DewarpContext& ctx, const Constants& K, const Hits& h) {
    const __m128i col = _mm_cvttps_epi32(_mm_add_ps(h.px, K.half));
    const __m128i row = _mm_cvttps_epi32(_mm_add_ps(h.py, K.half));
    const __m128i inSrc =
        _mm_and_si128(h.lens, _mm_and_si128(inRange(col, K.srcW), inRange(row, K.srcH)));
    const __m128i inPatch = _mm_andnot_si128(
        h.lens,
        _mm_and_si128(K.hasPatch, _mm_and_si128(inRange(col, K.patchW), inRange(row, K.patchH))));
    const __m128i any = _mm_or_si128(inSrc, inPatch);
    const Lanes at = lanes(pixelIndex(col, row, blend(h.lens, K.srcW, K.patchW), any));
    const Lanes fromPatch = lanes(inPatch);
    Lanes px;
    for (int l = 0; l < 4; ++l)
        px.v[l] = static_cast<int32_t>((fromPatch.v[l] ? ctx.patch : ctx.src)[at.v[l]]);
    return blend(any, _mm_load_si128(reinterpret_cast<const __m128i*>(px.v)), K.bg);
}

// Bilinear weights (1-fx)(1-fy), fx(1-fy), (1-fx)fy, fx fy of four lanes.
struct Weights {
    __m128 w00, w10, w01, w11;
};

Weights weights(const Constants& K, const Hits& h, __m128i x0, __m128i y0) {
    // Fractions clamped to [0, 1] as std::min(std::max(f, 0), 1) does.
    const __m128 fx = _mm_min_ps(K.one, _mm_max_ps(K.zero, _mm_sub_ps(h.px, _mm_cvtepi32_ps(x0))));
    const __m128 fy = _mm_min_ps(K.one, _mm_max_ps(K.zero, _mm_sub_ps(h.py, _mm_cvtepi32_ps(y0))));
    const __m128 gx = _mm_sub_ps(K.one, fx), gy = _mm_sub_ps(K.one, fy);
    return {_mm_mul_ps(gx, gy), _mm_mul_ps(fx, gy), _mm_mul_ps(gx, fy), _mm_mul_ps(fx, fy)};
}

inline __m128 channel(const Constants& K, __m128i p, int shift) {
    return _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, shift), K.byteMask));
}

// Bytes 0-2 blended from the four neighbours, byte 3 = 255.
__m128i blendNeighbours(const Constants& K, const Weights& w, __m128i p00, __m128i p10, __m128i p01,
                        __m128i p11) {
    __m128i out = K.opaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const __m128 v =
            _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(w.w00, channel(K, p00, shift)),
                                             _mm_mul_ps(w.w10, channel(K, p10, shift))),
                                  _mm_mul_ps(w.w01, channel(K, p01, shift))),
                       _mm_mul_ps(w.w11, channel(K, p11, shift)));
        const __m128i byte = _mm_cvttps_epi32(v);
        const __m128i clamped = blend(_mm_cmpgt_epi32(byte, K.byteMask), K.byteMask, byte);
        out = _mm_or_si128(out, _mm_slli_epi32(clamped, shift));
    }
    return out;
}

// bilinearPixel of a w x h image in the lanes of `mask` (others keep `out`).
__m128i bilinearFrom(const Constants& K, const uint32_t* pixels, __m128i w, __m128i h, __m128i x0,
                     __m128i y0, const Weights& wt, __m128i mask, __m128i out) {
    const __m128i valid = _mm_and_si128(mask, _mm_and_si128(inRange(x0, w), inRange(y0, h)));
    if (none(valid)) return out;
    const __m128i one = _mm_set1_epi32(1);
    const __m128i lastLine = _mm_or_si128(_mm_cmpeq_epi32(x0, _mm_sub_epi32(w, one)),
                                          _mm_cmpeq_epi32(y0, _mm_sub_epi32(h, one)));
    const __m128i inner = _mm_andnot_si128(lastLine, valid);
    const __m128i i00 = pixelIndex(x0, y0, w, valid);
    const __m128i p00 = fetch(pixels, i00);
    __m128i px = _mm_or_si128(p00, K.opaque);
    if (!none(inner)) {
        // Lanes outside `inner` read pixel 0, which every image has.
        const __m128i i10 = _mm_and_si128(_mm_add_epi32(i00, one), inner);
        const __m128i i01 = _mm_and_si128(_mm_add_epi32(i00, w), inner);
        const __m128i i11 = _mm_and_si128(_mm_add_epi32(i01, one), inner);
        px = blend(
            inner,
            blendNeighbours(K, wt, p00, fetch(pixels, i10), fetch(pixels, i01), fetch(pixels, i11)),
            px);
    }
    return blend(valid, px, out);
}

// Bilinear samples of four lanes; lanes in neither source nor patch keep bg.
__m128i bilinear4(const DewarpContext& ctx, const Constants& K, const Hits& h) {
    const __m128i x0 = _mm_cvttps_epi32(h.px);
    const __m128i y0 = _mm_cvttps_epi32(h.py);
    const Weights wt = weights(K, h, x0, y0);
    const __m128i out = bilinearFrom(K, ctx.src, K.srcW, K.srcH, x0, y0, wt, h.lens, K.bg);
    if (!ctx.patch) return out;
    return bilinearFrom(K, ctx.patch, K.patchW, K.patchH, x0, y0, wt,
                        _mm_andnot_si128(h.lens, _mm_set1_epi32(-1)), out);
}

template <bool Bilinear>
void dewarpRows(const void* src, void* dst, int srcW, int srcH, double cx, double cy, double radius,
                const double R[9], int dstW, int dstH, const float* sinTable, const float* cosTable,
                int bg, const void* patch, int patchW, int patchH) {
    DewarpContext ctx;
    if (!dst || !R || !sinTable || !cosTable ||
        !makeDewarpContext(&ctx, src, srcW, srcH, cx, cy, radius, bg, patch, patchW, patchH, dstW,
                           dstH))
        return;
    const Constants K = makeConstants(ctx);
    DewarpScaleTable table;
    buildDewarpScaleTable(ctx, &table);
    const __m128i fadeBelow = _mm_set1_epi32(table.fadeBelow);
    for (int i = 0; i < dstH; ++i) {
        const DewarpRow row = makeDewarpRow(R, dewarpRowLatitude(i, dstH));
        uint32_t* out = static_cast<uint32_t*>(dst) + static_cast<size_t>(i) * dstW;
        int j = 0;
        for (; j + 4 <= dstW; j += 4) {
            const Hits h =
                locate4(K, table, row, _mm_loadu_ps(sinTable + j), _mm_loadu_ps(cosTable + j));
            const __m128i p = Bilinear ? bilinear4(ctx, K, h) : nearest4(ctx, K, h);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), p);
            int fadeLanes = ctx.fade ? _mm_movemask_ps(_mm_castsi128_ps(
                                           _mm_and_si128(h.lens, _mm_cmpgt_epi32(fadeBelow, h.p))))
                                     : 0;
            for (int l = 0; fadeLanes; ++l, fadeLanes >>= 1)
                if (fadeLanes & 1)
                    out[j + l] = dewarpPixel(ctx, row, sinTable[j + l], cosTable[j + l], Bilinear);
        }
        for (; j < dstW; ++j) out[j] = dewarpPixel(ctx, row, sinTable[j], cosTable[j], Bilinear);
    }
}

}  // namespace

void dewarpWithRotatedSrc_SSE2(const void* src, void* dst, int srcW, int srcH, double cx, double cy,
                               double radius, const double R[9], int dstW, int dstH,
                               const float* sinTable, const float* cosTable, int bg,
                               const void* patch, int patchW, int patchH) {
    dewarpRows<false>(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable, cosTable, bg,
                      patch, patchW, patchH);
}

void dewarpBilinearWithRotatedSrc_SSE2(const void* src, void* dst, int srcW, int srcH, double cx,
                                       double cy, double radius, const double R[9], int dstW,
                                       int dstH, const float* sinTable, const float* cosTable,
                                       int bg, const void* patch, int patchW, int patchH) {
    dewarpRows<true>(src, dst, srcW, srcH, cx, cy, radius, R, dstW, dstH, sinTable, cosTable, bg,
                     patch, patchW, patchH);
}
