#pragma once

#include <functional>

#include <benchmark/benchmark.h>

// Times our work and the peer's in alternating rounds of one benchmark and reports the medians
// as the counters "ours_ms" and "peer_ms" and their ratio "ratio" (ours / peer, below 1 means
// we are faster).
class PeerRatio {
  public:
    static void run(benchmark::State& state, const std::function<void()>& ours,
                    const std::function<void()>& peer);
};
