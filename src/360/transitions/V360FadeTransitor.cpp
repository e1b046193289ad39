#include "V360FadeTransitor.h"

#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using FadeRow = void (*)(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                         double progress);

#if defined(__x86_64__)
// Four bytes as exact doubles: 2^52 + u built in the bits, then 2^52 taken off.
__attribute__((target("avx2"))) inline __m256d bytesToDoubles(__m128i bytes) {
    const __m256i magic = _mm256_set1_epi64x(0x4330000000000000LL);
    const __m256i bits = _mm256_or_si256(_mm256_cvtepu8_epi64(bytes), magic);
    return _mm256_sub_pd(_mm256_castsi256_pd(bits), _mm256_castsi256_pd(magic));
}

// The C formula on four bytes in four double lanes: the same IEEE products, sum and truncation.
__attribute__((target("avx2"))) inline __m128i fadeFour(__m128i a, __m128i b, __m256d keep,
                                                        __m256d progress) {
    const __m256d x = _mm256_add_pd(_mm256_mul_pd(bytesToDoubles(a), keep),
                                    _mm256_mul_pd(bytesToDoubles(b), progress));
    return _mm256_cvttpd_epi32(x);
}

// Four pixels a step: their twelve colour bytes gathered to the front, faded as three groups of
// four, spread back with alpha 255.
__attribute__((target("avx2"))) void fadeRow_AVX2(uint8_t* dst, const uint8_t* a, const uint8_t* b,
                                                  int pixels, double progress) {
    const __m256d keep = _mm256_set1_pd(1.0 - progress), p = _mm256_set1_pd(progress);
    const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i va =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i * 4)), gather);
        const __m128i vb =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i * 4)), gather);
        const __m128i c0 = fadeFour(va, vb, keep, p);
        const __m128i c1 = fadeFour(_mm_srli_si128(va, 4), _mm_srli_si128(vb, 4), keep, p);
        const __m128i c2 = fadeFour(_mm_srli_si128(va, 8), _mm_srli_si128(vb, 8), keep, p);
        const __m128i colour = _mm_packus_epi16(_mm_packs_epi32(c0, c1), _mm_packs_epi32(c2, c2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4),
                         _mm_or_si128(_mm_shuffle_epi8(colour, spread), alpha));
    }
    V360FadeTransitor::fadeRow_C(dst + i * 4, a + i * 4, b + i * 4, pixels - i, progress);
}
#endif

FadeRow chooseFadeRow() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2")) return fadeRow_AVX2;
#endif
    return V360FadeTransitor::fadeRow_C;
}

}  // namespace

V360FadeTransitor::V360FadeTransitor(int type, int width, int height)
    : V360Transitor(type, width, height) {}

void V360FadeTransitor::fadeRow_C(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                                  double progress) {
    const double keep = 1.0 - progress;
    for (int i = 0; i < pixels * 4; i += 4) {
        for (int c = 0; c < 3; ++c)
            dst[i + c] =
                static_cast<uint8_t>(static_cast<int>(a[i + c] * keep + b[i + c] * progress));
        dst[i + 3] = 255;
    }
}

void V360FadeTransitor::fadeRow(uint8_t* dst, const uint8_t* a, const uint8_t* b, int pixels,
                                double progress) {
    static const FadeRow row = chooseFadeRow();
    row(dst, a, b, pixels, progress);
}

void V360FadeTransitor::composeTransitionFrame(double progress, void* src1, void* src2, void* dst) {
    if (!inRange(progress) || !src1 || !src2 || !dst) return;
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        fadeRow(static_cast<uint8_t*>(dst) + y * row, static_cast<const uint8_t*>(src1) + y * row,
                static_cast<const uint8_t*>(src2) + y * row, width, progress);
}
