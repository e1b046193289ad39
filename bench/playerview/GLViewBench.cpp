// One frame through the dewarp view at 1104x552, per mode: a new 2160x2160 frame handed over,
// the paint (texture update, draw) and the read-back of the picture (grabFramebuffer, which
// waits for the driver); the "still" cases repaint without a new frame, so the difference is
// the upload. Run under a display, e.g.
// xvfb-run -a -s "-screen 0 1920x1080x24" ./bench_playerview_gl
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

#include "BenchApp.h"
#include "PlayerGLView.h"
#include "VideoFrame.h"

namespace {

QtAV::VideoFrame makeFrame() {
    const int side = 2160;
    QByteArray bytes(side * side * 4, Qt::Uninitialized);
    auto* p = reinterpret_cast<uint32_t*>(bytes.data());
    for (int i = 0; i < side * side; ++i) p[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    return QtAV::VideoFrame(side, side, QtAV::VideoFormat::Format_BGRA32, bytes);
}

void paint(benchmark::State& state, bool newFrames) {
    static const QtAV::VideoFrame frame = makeFrame();
    PlayerGLView view(nullptr, nullptr, nullptr);
    view.resize(1104, 552);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        state.SkipWithError("no display");
        return;
    }
    view.setPlaybackMode(PLAYBACK_MODE(state.range(0)));
    view.setRawData(frame, 1080, 1080, 1080);
    view.grabFramebuffer();
    for (auto _ : state) {
        if (newFrames) view.setRawData(frame, 1080, 1080, 1080);
        benchmark::DoNotOptimize(view.grabFramebuffer());
    }
}

void BM_PaintWithUpload(benchmark::State& state) { paint(state, true); }
void BM_PaintStill(benchmark::State& state) { paint(state, false); }

}  // namespace

BENCHMARK(BM_PaintWithUpload)
    ->ArgName("mode")
    ->DenseRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PaintStill)
    ->ArgName("mode")
    ->DenseRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) { return BenchApp::runWithGL(argc, argv); }
