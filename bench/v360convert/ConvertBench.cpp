// Converts a 2160x2160 30 fps recording (RV_BENCH_SECONDS, default 10) to three sizes with
// the generator, and times the ffmpeg command doing the same work at each size.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include <cstdlib>
#include <string>

#include "BenchDir.h"
#include "RecordingWriter.h"
#include "VideoSimple360Generator.h"

namespace {

const std::string& clip() {
    static const std::string path = [] {
        recording::ClipOptions options;
        options.width = options.height = 2160;
        options.fps = 30;
        const char* seconds = std::getenv("RV_BENCH_SECONDS");
        options.seconds = seconds ? std::atoi(seconds) : 10;
        std::string p = BenchDir::path() + "/clip.MOV";
        recording::writeRecording(p, options);
        return p;
    }();
    return path;
}

void ours(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const QString out = QString::fromStdString(BenchDir::path() + "/ours.mp4");
    for (auto _ : state) {
        QEventLoop loop;
        int result = 1;
        auto* generator = VideoSimple360Generator::genPanoramaVideo(
            QString::fromStdString(clip()), out, w, w / 2, -1, -1, -1, -1, -1);
        QObject::connect(generator, &VideoSimple360Generator::videoGenerationFinished,
                         [&](QString) {
                             result = 0;
                             loop.quit();
                         });
        QObject::connect(generator, &VideoSimple360Generator::videoGenerationFailed, [&](int code) {
            result = code;
            loop.quit();
        });
        loop.exec();
        if (result != 0) state.SkipWithError("conversion failed");
    }
}

void ffmpegPeer(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const QString filter = QString(
                               "v360=input=fisheye:output=equirect:ih_fov=210:iv_fov=210:"
                               "w=%1:h=%2")
                               .arg(w)
                               .arg(w / 2);
    for (auto _ : state) {
        QProcess process;
        process.start("ffmpeg", {"-v", "error", "-y", "-i", QString::fromStdString(clip()), "-vf",
                                 filter, "-r", "27", "-c:v", "libx264", "-b:v", "6250000", "-c:a",
                                 "aac", QString::fromStdString(BenchDir::path() + "/peer.mp4")});
        process.waitForFinished(-1);
        if (process.exitCode() != 0) state.SkipWithError("ffmpeg failed");
    }
}

}  // namespace

BENCHMARK(ours)
    ->Arg(2160)
    ->Arg(2880)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(ffmpegPeer)
    ->Arg(2160)
    ->Arg(2880)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
