// Logging throughput through LogSystem into the serial file logger, for lines that are written
// and for lines dropped by the level check (which must not take the log mutex); beside spdlog's
// basic file sink writing the same lines.
#include <cstdlib>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include "AutoSerialFileLogger.h"
#include "LogSystem.h"

namespace {

// A started file logger in a fresh temporary folder, removed again by the destructor.
class BenchLog {
  public:
    BenchLog() {
        char pattern[] = "/tmp/rvbench-log-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "/tmp";
        logger.reset(new AutoSerialFileLogger(folder.c_str(), "bench", 30, 0));
        LogSystem::getSysLogSystem()->setLogger(logger.get());
        LogSystem::getSysLogSystem()->startLog();
    }
    ~BenchLog() {
        LogSystem::getSysLogSystem()->stopLog();
        LogSystem::getSysLogSystem()->setLogger(nullptr);
        if (folder != "/tmp") std::system(("rm -rf '" + folder + "'").c_str());
    }

  private:
    std::string folder;
    std::unique_ptr<AutoSerialFileLogger> logger;
};

std::unique_ptr<BenchLog> active;

void BM_WrittenLines(benchmark::State& state) {
    if (state.thread_index() == 0) active.reset(new BenchLog);
    int n = 0;
    for (auto _ : state)
        LogSystem::i("BENCH", "line %d of thread %d: %s", ++n, state.thread_index(), "payload");
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) active.reset();
}

void BM_DroppedLines(benchmark::State& state) {
    if (state.thread_index() == 0) active.reset(new BenchLog);
    int n = 0;
    for (auto _ : state)
        LogSystem::d("BENCH", "line %d of thread %d: %s", ++n, state.thread_index(), "payload");
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) active.reset();
}

std::shared_ptr<spdlog::logger> peer;

void BM_PeerWrittenLines(benchmark::State& state) {
    std::string folder;
    if (state.thread_index() == 0) {
        char pattern[] = "/tmp/rvbench-spdlog-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "/tmp";
        peer = spdlog::basic_logger_mt("bench", folder + "/bench.log", true);
        peer->set_pattern("%H:%M:%S: %l %n: %v");
    }
    int n = 0;
    for (auto _ : state)
        peer->info("line {} of thread {}: {}", ++n, state.thread_index(), "payload");
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        peer->flush();
        peer.reset();
        spdlog::drop("bench");
        if (folder != "/tmp") std::system(("rm -rf '" + folder + "'").c_str());
    }
}

}  // namespace

BENCHMARK(BM_PeerWrittenLines)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_WrittenLines)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_DroppedLines)->Threads(1)->Threads(8)->UseRealTime();

BENCHMARK_MAIN();
