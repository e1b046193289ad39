// Dewarp kernels (C, SSE2, AVX2) at the conversion sizes from a 2016x2016 fisheye, covered 210,
// a random rotation; one thread and four at once. The first call of a width (table build) is
// measured apart from the steady state. Also the colour filter on a 2016x2016 frame.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "ColorFilter.h"
#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"
#include "RotationGeometry.h"

namespace {

constexpr int kSrcSide = 2016;

const std::vector<uint32_t>& source()
{
    static const std::vector<uint32_t> src = [] {
        std::mt19937 rng(1);
        std::vector<uint32_t> s(static_cast<size_t>(kSrcSide) * kSrcSide);
        for (uint32_t& p : s)
            p = rng();
        return s;
    }();
    return src;
}

const double* rotation()
{
    static double R[9];
    static const bool filled = [] {
        double q[4] = {0.9, 0.2, -0.3, 0.25};
        refineQuaternion(q);
        fillRotationMatrixByQuaternion(q, R);
        return true;
    }();
    (void)filled;
    return R;
}

void runKernel(benchmark::State& state, DewarpKernel kernel, DewarpKernelKind kind)
{
    if (!processorRunsDewarpKernel(kind)) {
        state.SkipWithError("this processor lacks the kernel");
        return;
    }
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const int w = static_cast<int>(state.range(0)), h = w / 2;
    const MajorSinCosTable* table = _get360MajorSinCosTable(w);
    const uint32_t bg = 0xff000000u;
    std::vector<uint32_t> dst(static_cast<size_t>(w) * h);
    for (auto _ : state) {
        kernel(source().data(), dst.data(), kSrcSide, kSrcSide, 1008, 1008, 1000, rotation(), w,
               h, table->sin.data(), table->cos.data(), 0, &bg, 1, 1);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_Dewarp_C(benchmark::State& state) { runKernel(state, dewarpWithRotatedSrc_C, DewarpKernelKind::C); }
void BM_Dewarp_SSE2(benchmark::State& state)
{
    runKernel(state, dewarpWithRotatedSrc_SSE2, DewarpKernelKind::SSE2);
}
void BM_Dewarp_AVX2(benchmark::State& state)
{
    runKernel(state, dewarpWithRotatedSrc_AVX2, DewarpKernelKind::AVX2);
}

// The first dewarp of a width: building its sin/cos table, then the chosen kernel.
void BM_Dewarp_FirstCallOfWidth(benchmark::State& state)
{
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    static std::atomic<int> nextWidth{2160 + 4};
    std::vector<uint32_t> dst(3840 * 1920);
    int64_t pixels = 0;
    for (auto _ : state) {
        const int w = nextWidth.fetch_add(4);
        dewarp(source().data(), dst.data(), kSrcSide, kSrcSide, 1008, 1008, 1000, rotation(), w,
               1080, 0);
        pixels += static_cast<int64_t>(w) * 1080;
    }
    state.SetItemsProcessed(pixels);
}

// The table build alone for a width not seen before.
void BM_Dewarp_TableBuild(benchmark::State& state)
{
    static std::atomic<int> nextWidth{20000};
    for (auto _ : state)
        benchmark::DoNotOptimize(_get360MajorSinCosTable(nextWidth.fetch_add(1)));
}

void BM_ColorFilter_ApplyBGR(benchmark::State& state)
{
    const ColorFilter filter(1.2, 1.0, 0.8);
    std::vector<uint32_t> px = source();
    for (auto _ : state) {
        filter.applyBGR(px.data(), kSrcSide, kSrcSide);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSrcSide * kSrcSide);
}

#define DEWARP_SIZES ->Arg(2160)->Arg(2880)->Arg(3840)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Dewarp_C) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_Dewarp_SSE2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_Dewarp_AVX2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_Dewarp_FirstCallOfWidth)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dewarp_TableBuild)->Iterations(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorFilter_ApplyBGR)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
