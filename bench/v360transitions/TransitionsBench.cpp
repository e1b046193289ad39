// One frame of each transitor and title at 3840x1920, single-threaded, at progress 0.5, and the
// fade's C row formula over a frame next to the transitor's own rows.
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>

#include "V360FadeTransitor.h"
#include "V360TransitionManager.h"
#include "V360Transitor.h"

namespace {

constexpr int kW = 3840, kH = 1920;

std::vector<uint8_t> randomFrame(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> f(size_t(kW) * kH * 4);
    for (uint8_t& v : f) v = static_cast<uint8_t>(rng());
    return f;
}

void BM_Transitor(benchmark::State& state) {
    static V360TransitionManager manager;
    int iconSet = 1;
    const int type = static_cast<int>(state.range(0));
    void* arg = type == 7 ? static_cast<void*>(&iconSet) : const_cast<char*>("Title text");
    V360Transitor* t = manager.allocTransitor(type, kW, kH, arg);
    std::vector<uint8_t> a = randomFrame(1), b = randomFrame(2), dst = randomFrame(3);
    for (auto _ : state) {
        t->composeTransitionFrame(0.5, a.data(), b.data(), dst.data());
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_Transitor)
    ->ArgName("type")
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(7)
    ->Arg(8)
    ->Arg(9)
    ->Arg(11)
    ->Unit(benchmark::kMillisecond);

void BM_FadeFrame_C(benchmark::State& state) {
    std::vector<uint8_t> a = randomFrame(1), b = randomFrame(2), dst = randomFrame(3);
    const size_t row = size_t(kW) * 4;
    for (auto _ : state) {
        for (int y = 0; y < kH; ++y)
            V360FadeTransitor::fadeRow_C(dst.data() + y * row, a.data() + y * row,
                                         b.data() + y * row, kW, 0.5);
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_FadeFrame_C)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
