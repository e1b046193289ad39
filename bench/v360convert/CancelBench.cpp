// Cancels a panorama conversion of a 2880x2880 recording at 30 frames a second with sound
// (4 s; RV_BENCH_SECONDS changes it) to 2880x1440, at a given percent: 30 while frames are
// handed out, 96 once the last one is (the encoder drains, the sound is being taken). Each
// round is one job, cancelled from its progress report as the conversion overlay does.
//
// Counters (medians over the rounds, RV_BENCH_ROUNDS, default 5): report_ms from the cancel to
// the job's failure report, joined_ms to the job's deletion (every thread it started joined).
// Run it quiet and under load:
//
//   build/bench/v360convert/bench_v360convert_cancel
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

#include <chrono>
#include <string>
#include <vector>

#include "BenchDir.h"
#include "BenchStats.h"
#include "RecordingWriter.h"
#include "VideoSimple360Generator.h"

namespace {

using BenchStats::envInt;
using BenchStats::median;

using Clock = std::chrono::steady_clock;

const QString& clip() {
    static const QString path = [] {
        recording::ClipOptions options;
        options.width = options.height = 2880;
        options.fps = 30;
        options.seconds = envInt("RV_BENCH_SECONDS", 4);
        const std::string p = BenchDir::path() + "/clip.MOV";
        recording::writeRecording(p, options);
        return QString::fromStdString(p);
    }();
    return path;
}

double ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void cancelAt(benchmark::State& state) {
    const float at = state.range(0) / 100.0f - 0.001f;
    const QString out = QString::fromStdString(BenchDir::path() + "/out.mp4");
    std::vector<double> reported;
    std::vector<double> joined;
    for (auto _ : state) {
        QPointer<VideoSimple360Generator> job =
            VideoSimple360Generator::genPanoramaVideo(clip(), out, 2880, 1440, -1, -1, -1, -1, -1);
        Clock::time_point cancelledAt{};
        Clock::time_point reportedAt{};
        QObject::connect(job, &VideoSimple360Generator::videoGenProgressUpdate,
                         [&](float progress, float, int, int) {
                             if (progress < at || cancelledAt != Clock::time_point{}) return;
                             cancelledAt = Clock::now();
                             job->cancelGeneration();
                         });
        QObject::connect(job, &VideoSimple360Generator::videoGenerationFailed,
                         [&](int) { reportedAt = Clock::now(); });
        QEventLoop loop;
        QObject::connect(job, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
        const Clock::time_point joinedAt = Clock::now();
        if (cancelledAt == Clock::time_point{} || reportedAt == Clock::time_point{}) {
            state.SkipWithError("the job ended before the cancel");
            break;
        }
        reported.push_back(ms(cancelledAt, reportedAt));
        joined.push_back(ms(cancelledAt, joinedAt));
        state.SetIterationTime(joined.back() / 1000);
    }
    state.counters["report_ms"] = median(reported);
    state.counters["joined_ms"] = median(joined);
}

}  // namespace

BENCHMARK(cancelAt)
    ->Arg(30)
    ->Arg(96)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(envInt("RV_BENCH_ROUNDS", 5));

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
