// AVX2 row kernel of the picture-in-picture blend: the SSE2 kernel's arithmetic on sixteen
// 16-bit lanes (eight pixels a step). Unpacking and packing both work per 128-bit half, so the
// pixel order is kept; the alpha lanes come straight from the source bytes by one shuffle a
// half. Built with -mavx2; called only when the CPU has AVX2.
#include "BlendKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace {

// Blends four pixels held as sixteen 16-bit lanes, `a` their alphas in every colour lane.
inline __m256i blendFourPixels(__m256i s, __m256i d, __m256i a) {
    const __m256i na = _mm256_xor_si256(a, _mm256_set1_epi16(255));
    const __m256i v = _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, na));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi16(short(0x8081))), 7);
}

// Byte shuffle that spreads the alphas of pixels `first` and `first + 1` of each 128-bit half
// over four zero-extended 16-bit lanes each.
__m256i alphaSpread(char first) {
    const char a = char(first * 4 + 3), b = char(a + 4), z = char(-1);
    return _mm256_setr_epi8(a, z, a, z, a, z, a, z, b, z, b, z, b, z, b, z, a, z, a, z, a, z, a, z,
                            b, z, b, z, b, z, b, z);
}

}  // namespace

void blendRow_AVX2(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i loAlpha = alphaSpread(0), hiAlpha = alphaSpread(2);
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i * 4));
        const __m256i lo =
            blendFourPixels(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero),
                            _mm256_shuffle_epi8(s, loAlpha));
        const __m256i hi =
            blendFourPixels(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero),
                            _mm256_shuffle_epi8(s, hiAlpha));
        const __m256i colour = _mm256_and_si256(_mm256_packus_epi16(lo, hi), colourMask);
        const __m256i alpha = keepSrcAlpha ? _mm256_and_si256(s, alphaMask) : alphaMask;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4),
                            _mm256_or_si256(colour, alpha));
    }
    blendRow_SSE2(dst + i * 4, src + i * 4, pixels - i, keepSrcAlpha);
}
#endif
