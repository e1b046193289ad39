// Snapshot images at 2160x1080 (2in1 and 4in1 at 1296x1080, as the panel makes them) from a
// 2160x2160 frame. The argument is the thread count: 1, or 0 for every core.
#include <benchmark/benchmark.h>

#include <QThread>
#include <QThreadPool>

#include <cstdint>
#include <vector>

#include "SnapshotGenerator.h"

namespace {

const int kFrame = 2160;

const std::vector<uint32_t>& frame() {
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t(kFrame) * kFrame);
        for (int y = 0; y < kFrame; ++y)
            for (int x = 0; x < kFrame; ++x)
                p[size_t(y) * kFrame + x] = 0xFF000000u | uint32_t(x * 7 + y * 13);
        return p;
    }();
    return pixels;
}

void useThreads(const benchmark::State& state) {
    const int threads = int(state.range(0));
    QThreadPool::globalInstance()->setMaxThreadCount(threads > 0 ? threads
                                                                 : QThread::idealThreadCount());
}

using Snapshot = void (*)(const unsigned char*, int, int, unsigned char*, int, int, float, float,
                          float);

void runView(benchmark::State& state, Snapshot make, int width) {
    useThreads(state);
    std::vector<uint32_t> dst(size_t(width) * 1080);
    const auto* src = reinterpret_cast<const unsigned char*>(frame().data());
    for (auto _ : state) {
        make(src, kFrame, kFrame, reinterpret_cast<unsigned char*>(dst.data()), width, 1080,
             1080.0f, 1080.0f, 1080.0f);
        benchmark::DoNotOptimize(dst.data());
    }
}

void BM_Panorama(benchmark::State& s) { runView(s, SnapshotGenerator::snapshotPanorama, 2160); }
void BM_Half(benchmark::State& s) { runView(s, SnapshotGenerator::snapshotHalf, 1296); }
void BM_Quarter(benchmark::State& s) { runView(s, SnapshotGenerator::snapshotQuarter, 1296); }
void BM_WholeSphere(benchmark::State& s) { runView(s, SnapshotGenerator::snapshot, 2160); }

void BM_Angle(benchmark::State& state) {
    useThreads(state);
    std::vector<uint32_t> dst(size_t(2160) * 1080);
    const auto* src = reinterpret_cast<const unsigned char*>(frame().data());
    for (auto _ : state) {
        SnapshotGenerator::snapshotAngle(src, kFrame, kFrame,
                                         reinterpret_cast<unsigned char*>(dst.data()), 2160, 1080,
                                         1080.0f, 1080.0f, 1080.0f, 7.0f, 20.0f, -30.0f);
        benchmark::DoNotOptimize(dst.data());
    }
}

}  // namespace

BENCHMARK(BM_Panorama)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Half)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Quarter)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeSphere)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Angle)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
