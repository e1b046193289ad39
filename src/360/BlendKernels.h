#pragma once

#include <cstdint>

// Row kernels of BlendUtil::blendPiP. All variants give the same bytes: per pixel with source
// alpha a, colour bytes (s x a + d x (255 - a)) / 255 truncated, alpha byte a or 255.
using BlendRowKernel = void (*)(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha);

void blendRow_C(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha);
#if defined(__SSE2__)
void blendRow_SSE2(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha);
#endif
#if defined(__x86_64__)
// Only on a CPU with AVX2.
void blendRow_AVX2(uint8_t* dst, const uint8_t* src, int pixels, bool keepSrcAlpha);
#endif

// The kernel chosen once for this machine: AVX2 when the CPU has it, else SSE2 where built
// for it, else C.
BlendRowKernel blendRowKernel();
