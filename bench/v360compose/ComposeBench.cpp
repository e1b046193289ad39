// Composition at 3840x1920: a full-frame blend (C, SSE2 and AVX2 row kernels, and the
// dispatching call) next to a memcpy of the same frame, a 44-pixel strip, the text overlay's
// first render and per-frame draw, and the projection of a 600x200 picture.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>

#include "BlendKernels.h"
#include "BlendUtil.h"
#include "DewarpImageUtil.h"
#include "Text360Info.h"

namespace {

constexpr int kW = 3840, kH = 1920;

std::vector<uint32_t> randomPixels(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> p(n);
    for (uint32_t& v : p) v = rng();
    return p;
}

const std::vector<uint32_t>& source() {
    static const std::vector<uint32_t> src = randomPixels(size_t(kW) * kH, 1);
    return src;
}

void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint32_t> dst = randomPixels(size_t(kW) * kH, 2);  // pages touched first
    for (auto _ : state) {
        std::memcpy(dst.data(), source().data(), dst.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

void blendFrameWith(benchmark::State& state, BlendRowKernel kernel) {
    std::vector<uint32_t> dst = randomPixels(size_t(kW) * kH, 2);
    for (auto _ : state) {
        for (int row = 0; row < kH; ++row)
            kernel(reinterpret_cast<uint8_t*>(dst.data() + size_t(row) * kW),
                   reinterpret_cast<const uint8_t*>(source().data() + size_t(row) * kW), kW, true);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}

void BM_BlendFrame_C(benchmark::State& state) { blendFrameWith(state, blendRow_C); }
BENCHMARK(BM_BlendFrame_C)->Unit(benchmark::kMillisecond);

#if defined(__SSE2__)
void BM_BlendFrame_SSE2(benchmark::State& state) { blendFrameWith(state, blendRow_SSE2); }
BENCHMARK(BM_BlendFrame_SSE2)->Unit(benchmark::kMillisecond);
#endif

#if defined(__x86_64__)
void BM_BlendFrame_AVX2(benchmark::State& state) {
    if (!__builtin_cpu_supports("avx2")) {
        state.SkipWithError("no AVX2");
        return;
    }
    blendFrameWith(state, blendRow_AVX2);
}
BENCHMARK(BM_BlendFrame_AVX2)->Unit(benchmark::kMillisecond);
#endif

void BM_BlendPiP(benchmark::State& state) {
    const int h = int(state.range(0));
    std::vector<uint32_t> dst = randomPixels(size_t(kW) * kH, 3);
    for (auto _ : state) {
        BlendUtil::blendPiP(dst.data(), kW, kH, const_cast<uint32_t*>(source().data()), 0, kH - h,
                            kW, h, false);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * h * 4);
}
BENCHMARK(BM_BlendPiP)->Arg(kH)->Arg(44)->Unit(benchmark::kMicrosecond);

void BM_TextFirstRender(benchmark::State& state) {
    for (auto _ : state) {
        Text360Info info("Overlay on the road", 3, 5);
        info.yaw = 30;
        info.pitch = 10;
        info.fillTextImage(kW, kH);
    }
}
BENCHMARK(BM_TextFirstRender)->Unit(benchmark::kMillisecond);

void BM_TextDraw(benchmark::State& state) {
    Text360Info info("Overlay on the road", 3, 5);
    info.yaw = 30;
    info.pitch = 10;
    std::vector<uint32_t> frame = randomPixels(size_t(kW) * kH, 4);
    info.fillTextImage(frame.data(), kW, kH);
    for (auto _ : state) {
        info.fillTextImage(frame.data(), kW, kH);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TextDraw)->Unit(benchmark::kMicrosecond);

void BM_PieceProjection(benchmark::State& state) {
    const std::vector<uint32_t> picture = randomPixels(600 * 200, 5);
    for (auto _ : state) {
        List<DIU_DewarpedImage*> pieces;
        DewarpImageUtil::dewarp(reinterpret_cast<const char*>(picture.data()), 600, 200, kW, kH, 15,
                                40, pieces);
        pieces.deleteAllObjsAndReset();
    }
}
BENCHMARK(BM_PieceProjection)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BaseStyledText::registerFonts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
