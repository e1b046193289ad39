// A one-hour version-2 eye file (50 samples a second, pieces of 10 samples, a slow turn):
// parsing it into a feeder, and preparing the rotation of every frame.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "ArrayBasedV2RotationFeeder.h"
#include "BenchDir.h"

namespace {

void put16(std::string& s, int v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& s, int v) {
    put16(s, v & 0xFFFF);
    put16(s, (v >> 16) & 0xFFFF);
}

const std::string& oneHourEye() {
    static const std::string path = [] {
        std::string bytes;
        put16(bytes, 2);
        put16(bytes, 0);
        put16(bytes, 50);
        put16(bytes, 1);
        put32(bytes, 0);
        for (int piece = 0; piece < 3600 * 5; ++piece) {
            put32(bytes, 10 * piece);
            put32(bytes, 160);
            for (int i = 0; i < 10; ++i) {
                const double a = 0.001 * (10 * piece + i);
                const double q[4] = {std::cos(a / 2), 0, 0, std::sin(a / 2)};
                for (double v : q) put32(bytes, static_cast<int>(std::lround(v * (1 << 30))));
            }
        }
        const std::string p = BenchDir::path() + "/hour.eye";
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }();
    return path;
}

void BM_ParseOneHourEye(benchmark::State& state) {
    for (auto _ : state) {
        ArrayBasedV2RotationFeeder feeder(oneHourEye().c_str(), false);
        benchmark::DoNotOptimize(feeder.getDuration());
    }
}
BENCHMARK(BM_ParseOneHourEye)->Unit(benchmark::kMillisecond);

void BM_PrepareOneHourEye(benchmark::State& state) {
    ArrayBasedV2RotationFeeder feeder(oneHourEye().c_str(), false);
    double R[3][3];
    for (auto _ : state) {
        feeder.prepareFilteredRotationData(0, 0);
        feeder.fillRotationData(30 * 1800, R);
        benchmark::DoNotOptimize(R[0][0]);
    }
}
BENCHMARK(BM_PrepareOneHourEye)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
