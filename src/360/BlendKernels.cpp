// Row kernels of the picture-in-picture blend. The SIMD variants compute the same integer
// expression on 16-bit lanes: v = s x a + d x (255 - a) <= 65025 fits, and
// v / 255 == (v x 0x8081) >> 23 for every 16-bit v.
#include "BlendKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void blendRow_C(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha) {
    for (int i = 0; i < pixels; ++i, dst += 4, src += 4) {
        const unsigned a = src[3];
        for (int k = 0; k < 3; ++k)
            dst[k] = static_cast<uint8_t>((src[k] * a + dst[k] * (255 - a)) / 255);
        dst[3] = keepSrcAlpha ? static_cast<uint8_t>(a) : 255;
    }
}

#if defined(__SSE2__)
namespace {

// Blends two pixels held as eight 16-bit lanes.
inline __m128i blendTwoPixels(__m128i s, __m128i d) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i na = _mm_sub_epi16(_mm_set1_epi16(255), a);
    const __m128i v = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, na));
    return _mm_srli_epi16(_mm_mulhi_epu16(v, _mm_set1_epi16(short(0x8081))), 7);
}

}  // namespace

void blendRow_SSE2(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i * 4));
        const __m128i lo = blendTwoPixels(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi = blendTwoPixels(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        const __m128i colour = _mm_and_si128(_mm_packus_epi16(lo, hi), colourMask);
        const __m128i alpha = keepSrcAlpha ? _mm_and_si128(s, alphaMask) : alphaMask;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4), _mm_or_si128(colour, alpha));
    }
    blendRow_C(dst + i * 4, src + i * 4, pixels - i, keepSrcAlpha);
}
#endif

namespace {

BlendRowKernel chooseKernel() {
    BlendRowKernel kernel = blendRow_C;
#if defined(__SSE2__)
    kernel = blendRow_SSE2;
#endif
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) kernel = blendRow_AVX2;
#endif
    return kernel;
}

}  // namespace

BlendRowKernel blendRowKernel() {
    static const BlendRowKernel kernel = chooseKernel();
    return kernel;
}
