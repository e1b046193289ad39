// Speed of the playback layer's video path: YUV 4:2:0 to BGRA conversion of
// one frame, and decoding a whole clip through FFMpegMediaInput
// into VideoFrames (optionally converted to BGRA, as for a forced renderer).

#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include "BenchDir.h"
#include "FFMpegMediaInput.h"
#include "VideoFrame.h"
#include "VideoFrameConverter.h"

namespace {

// A 2 s, 30 fps clip of moving test pattern, GOP 30; empty when ffmpeg fails.
const std::string& clip2160() {
    static const std::string path = [] {
        const std::string out = BenchDir::path() + "/2160x2160-60.mp4";
        const std::string command =
            "/usr/bin/ffmpeg -v error -y -f lavfi -i testsrc2=s=2160x2160:r=30 -frames:v 60"
            " -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 30 '" +
            out + "'";
        return std::system(command.c_str()) == 0 ? out : std::string();
    }();
    return path;
}

// A YUV 4:2:0 frame with a gradient in every plane.
QtAV::VideoFrame yuvFrame(int width, int height) {
    QByteArray planes(width * height * 3 / 2, Qt::Uninitialized);
    for (int i = 0; i < planes.size(); ++i) planes[i] = char((i % width) ^ (i / width));
    return QtAV::VideoFrame(width, height, QtAV::VideoFormat::Format_YUV420P, planes);
}

void convertToBgra(benchmark::State& state) {
    const QtAV::VideoFrame frame =
        yuvFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QtAV::VideoFrameConverter converter;
    // The first call builds the scaler; the playback path keeps it cached.
    if (!frame.isValid() || !converter.convert(frame, QtAV::VideoFormat::Format_BGRA32).isValid()) {
        state.SkipWithError("cannot convert the frame");
        return;
    }
    for (auto _ : state) {
        QtAV::VideoFrame bgra = converter.convert(frame, QtAV::VideoFormat::Format_BGRA32);
        benchmark::DoNotOptimize(bgra.constBits());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(convertToBgra)
    ->ArgNames({"w", "h"})
    ->Args({2160, 2160})
    ->Args({3840, 1920})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Reads the video stream from the current position to its end, wrapping (and
// optionally converting) every decoded frame. Returns the frame count.
int decodeToEnd(FFMpegMediaInput& input, const QtAV::VideoFrameConverter* converter) {
    ffh::FramePtr frame = ffh::makeFrame();
    int frames = 0;
    double t = -input.frameInterval();
    while (input.receiveFrame(frame.get()) == 0) {
        t = input.videoDecoder().seconds(frame.get(), input.origin(), t + input.frameInterval());
        QtAV::VideoFrame picture = QtAV::VideoFrame::fromAVFrame(frame.get(), t);
        if (converter) picture = converter->convert(picture, QtAV::VideoFormat::Format_BGRA32);
        benchmark::DoNotOptimize(picture.constBits());
        ++frames;
    }
    return frames;
}

// Decodes the whole clip per iteration, rewinding with a seek to 0 as a loop
// restart does; the decoder uses its automatic thread count.
void decodeClip(benchmark::State& state) {
    FFMpegMediaInput input;
    if (clip2160().empty() || input.open(clip2160().c_str(), false) < 0) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    QtAV::VideoFrameConverter converter;
    const QtAV::VideoFrameConverter* toBgra = state.range(0) ? &converter : nullptr;
    int64_t frames = 0;
    for (auto _ : state) {
        if (!input.seek(0)) {
            state.SkipWithError("cannot rewind the clip");
            return;
        }
        input.videoDecoder().flush();
        const int got = decodeToEnd(input, toBgra);
        if (got != 60) {
            state.SkipWithError("the clip did not give 60 frames");
            return;
        }
        frames += got;
    }
    state.SetItemsProcessed(frames);
}
BENCHMARK(decodeClip)
    ->ArgName("bgra")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
