#include "PeerRatio.h"

#include <chrono>
#include <vector>

#include "BenchStats.h"

namespace {

using BenchStats::median;

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

void PeerRatio::run(benchmark::State& state, const std::function<void()>& ours,
                    const std::function<void()>& peer) {
    std::vector<double> oursMs, peerMs;
    for (auto _ : state) {
        oursMs.push_back(millisecondsOf(ours));
        peerMs.push_back(millisecondsOf(peer));
    }
    const double o = median(oursMs), p = median(peerMs);
    state.counters["ours_ms"] = o;
    state.counters["peer_ms"] = p;
    state.counters["ratio"] = p > 0 ? o / p : 0.0;
}
