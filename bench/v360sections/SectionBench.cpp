// Section frames at production sizes: the video section's levelled dewarp of a 2016x2016
// fisheye frame (with and without its colour filter), the fixed-angle view of a 3840x1920
// equirectangular frame, the square section's window, and the photo section's one-time
// preparation from a 3000x3000 JPEG. Sources are one-frame clips made with the ffmpeg tool.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchDir.h"
#include "Dewarp360.h"
#include "V360FixAngleVideoSectionBuilder.h"
#include "V360PhotoSectionBuilder.h"
#include "V360SquareVideoSectionBuilder.h"
#include "V360VideoSectionBuilder.h"
#include "Video360GeneratorHelper.h"

namespace {

QString clip(int w, int h) {
    const QString path =
        QString::fromStdString(BenchDir::path()) + QString("/clip%1x%2.mp4").arg(w).arg(h);
    QProcess process;
    process.start("ffmpeg",
                  {"-v", "error", "-y", "-f", "lavfi", "-i",
                   QString("testsrc2=s=%1x%2:r=27:d=0.2").arg(w).arg(h), "-c:v", "libx264", path});
    process.waitForFinished(-1);
    return path;
}

// Frames of one prepared section over the same source pixels.
void runSection(benchmark::State& state, V360SectionBuilder& section, int w, int h) {
    if (section.prepare() != 0) {
        state.SkipWithError("prepare failed");
        return;
    }
    void* src = section.prepareSrcFrame(0);
    std::vector<uint32_t> dst(static_cast<size_t>(w) * h);
    int index = 0;
    for (auto _ : state) {
        section.dewarp(index++ % 10 + 20, src, dst.data());
        benchmark::DoNotOptimize(dst.data());
    }
    section.releaseSrcFrame(src);
}

void BM_VideoSection(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = w / 2;
    const double gamma = state.range(1) ? 0.8 : -1;
    Video360GeneratorHelper* helper = Video360GeneratorHelper::alloc(w, h, "");
    static const QString source = clip(640, 640);
    V360VideoSectionBuilder section(w, h, source, "", 0, 0, 0, -1, "", "", nullptr, nullptr, "",
                                    gamma, gamma, gamma);
    runSection(state, section, w, h);
    Video360GeneratorHelper::release(helper);
}
BENCHMARK(BM_VideoSection)
    ->ArgNames({"width", "filter"})
    ->Args({1920, 0})
    ->Args({3840, 0})
    ->Args({3840, 1})
    ->Unit(benchmark::kMillisecond);

void BM_FixAngleSection(benchmark::State& state) {
    static const QString source = clip(3840, 1920);
    V360FixAngleVideoSectionBuilder section(1920, 1080, source, 20, 30, 45, 0, -1);
    runSection(state, section, 1920, 1080);
}
BENCHMARK(BM_FixAngleSection)->Unit(benchmark::kMillisecond);

void BM_SquareSection(benchmark::State& state) {
    static const QString source = clip(3840, 1920);
    V360SquareVideoSectionBuilder section(1080, 1080, source, 0.5f, 0.5f, 0, -1);
    runSection(state, section, 1080, 1080);
}
BENCHMARK(BM_SquareSection)->Unit(benchmark::kMillisecond);

void BM_PhotoPrepare(benchmark::State& state) {
    const QString photo = QString::fromStdString(BenchDir::path()) + "/photo.jpg";
    QImage(3000, 3000, QImage::Format_RGB32).save(photo);
    Video360GeneratorHelper* helper = Video360GeneratorHelper::alloc(3840, 1920, "");
    for (auto _ : state) {
        V360PhotoSectionBuilder section(3840, 1920, photo, "", 4, "", "", nullptr, nullptr, -1, -1,
                                        -1);
        if (section.prepare() != 0) state.SkipWithError("prepare failed");
    }
    Video360GeneratorHelper::release(helper);
}
BENCHMARK(BM_PhotoPrepare)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
