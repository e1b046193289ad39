// Runs the encoder probe's three trials while a 1 ms timer ticks on the GUI thread, and
// reports the longest gap between two ticks (the event loop's worst latency) as "max_gap_ms".
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "BenchDir.h"
#include "EncodeManager.h"

namespace {

class FreshProbe : public EncodeManager {
  public:
    FreshProbe() : EncodeManager(defaultSamplePath()) {}
};

void probeLatency(benchmark::State& state) {
    double worst = 0;
    for (auto _ : state) {
        FreshProbe probe;
        QEventLoop loop;
        QElapsedTimer clock;
        qint64 last = 0;
        double gap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            gap = std::max(gap, (now - last) / 1e6);
            last = now;
            if (probe.isDone()) loop.quit();
        });
        tick.start(1);
        clock.start();
        probe.init();
        loop.exec();
        worst = std::max(worst, gap);
        std::fprintf(stderr, "probe run: max gap %.1f ms\n", gap);
        state.counters["max_gap_ms"] = gap;
    }
    state.counters["worst_gap_ms"] = worst;
}

}  // namespace

BENCHMARK(probeLatency)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    setenv("XDG_DATA_HOME", BenchDir::path().c_str(), 1);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
