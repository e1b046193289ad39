// Speed of the media layer: sequential decode to BGRA (frame threads off and
// on), frame-exact seeks into the middle of a GOP, opening many files, and
// the H.264 encoder with its colour conversion measured apart.

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchDir.h"
#include "FFMpegDecoder360G.h"
#include "FFMpegEncoder360G.h"
#include "FFMpegVideoDecoder.h"

namespace {

// A 30 fps clip of `frames` frames of moving test pattern, GOP 30.
const std::string& clip(int width, int height, int frames) {
    static std::map<std::string, std::string> made;
    const std::string key =
        std::to_string(width) + "x" + std::to_string(height) + "-" + std::to_string(frames);
    auto found = made.find(key);
    if (found != made.end()) return found->second;
    const std::string path = BenchDir::path() + "/" + key + ".mp4";
    const std::string command =
        "/usr/bin/ffmpeg -v error -y -f lavfi -i testsrc2=s=" + std::to_string(width) + "x" +
        std::to_string(height) + ":r=30 -frames:v " + std::to_string(frames) +
        " -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 30 '" + path + "'";
    if (std::system(command.c_str()) != 0) return made[key] = "";
    return made[key] = path;
}

void sequentialBgra(benchmark::State& state) {
    const std::string& path = clip(state.range(0), state.range(1), 30);
    int64_t frames = 0;
    for (auto _ : state) {
        FFMpegVideoDecoder dec(true, false);
        dec.setDecodeThreads(static_cast<int>(state.range(2)));
        if (dec.initWithFilePath(path.c_str(), 0, 0) != 0) {
            state.SkipWithError("cannot open the clip");
            return;
        }
        while (std::unique_ptr<VideoSrcFrame> frame{dec.readNextVideoFrame()}) {
            benchmark::DoNotOptimize(frame->getDatePtr());
            ++frames;
        }
    }
    state.SetItemsProcessed(frames);
}
BENCHMARK(sequentialBgra)
    ->ArgNames({"w", "h", "threads"})
    ->Args({2160, 2160, 1})
    ->Args({2160, 2160, 0})
    ->Args({3840, 1920, 1})
    ->Args({3840, 1920, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Seek to frame 15 of a GOP of 30 and read it: decodes 16 frames, converts one.
void seekMiddleOfGop(benchmark::State& state) {
    const std::string& path = clip(2160, 2160, 60);
    FFMpegDecoder360G dec;
    dec.setDecodeThreads(static_cast<int>(state.range(0)));
    if (dec.initWithFilePath(path.c_str()) != 0) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    int gop = 0;
    for (auto _ : state) {
        dec.seekTo((30 * gop + 15) / 30.0);
        AVFrame** cell = dec.readNextVideoFrame();
        if (!cell) {
            state.SkipWithError("no frame after the seek");
            return;
        }
        av_frame_free(cell);
        delete cell;
        gop ^= 1;
    }
}
BENCHMARK(seekMiddleOfGop)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void openAndDuration100Files(benchmark::State& state) {
    const std::string& source = clip(320, 240, 30);
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i) {
        paths.push_back(BenchDir::path() + "/copy" + std::to_string(i) + ".mp4");
        std::system(("cp '" + source + "' '" + paths.back() + "'").c_str());
    }
    for (auto _ : state) {
        double total = 0;
        for (const std::string& path : paths) {
            FFMpegDecoder360G dec;
            dec.initWithFilePath(path.c_str());
            total += dec.getVideoDuration();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(openAndDuration100Files)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> pattern(int width, int height) {
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < bgra.size(); ++i) bgra[i] = static_cast<uint8_t>((i * 7) ^ (i >> 11));
    return bgra;
}

// The encoder's colour conversion alone: BGRA to YUV 4:2:0, bicubic.
void bgraToYuvConversion(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<uint8_t> bgra = pattern(w, h);
    ffh::SwsPtr sws(sws_getContext(w, h, AV_PIX_FMT_BGRA, w, h, AV_PIX_FMT_YUV420P, SWS_BICUBIC,
                                   nullptr, nullptr, nullptr));
    ffh::FramePtr yuv = ffh::makeFrame();
    yuv->format = AV_PIX_FMT_YUV420P;
    yuv->width = w;
    yuv->height = h;
    av_frame_get_buffer(yuv.get(), 32);
    const uint8_t* src[4] = {bgra.data()};
    const int stride[4] = {w * 4};
    for (auto _ : state) sws_scale(sws.get(), src, stride, 0, h, yuv->data, yuv->linesize);
    state.SetItemsProcessed(state.iterations());
}

// One encodeArgbData call (conversion + x264) or enncodeYuvData (x264 only).
template <bool fromBgra>
void encodeFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<uint8_t> bgra = pattern(w, h);
    std::vector<uint8_t> yuv = bgra;  // same content density as the BGRA input
    yuv.resize(static_cast<size_t>(w) * h * 3 / 2);
    const std::string path = BenchDir::path() + "/enc.mp4";
    FFMpegEncoder360G enc(path.c_str(), w, h, 6250000, nullptr);
    if (enc.getInitError() != 0) {
        state.SkipWithError("cannot open the encoder");
        return;
    }
    for (auto _ : state) {
        if (fromBgra)
            enc.encodeArgbData(bgra.data(), 1);
        else
            enc.enncodeYuvData(yuv.data(), 1);
    }
    enc.endEncode();  // after the loop: not timed
    state.SetItemsProcessed(state.iterations());
}

void encodeSizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h"})->Args({2160, 1080})->Args({2880, 1440})->Args({3840, 1920});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(bgraToYuvConversion)->Apply(encodeSizes);
BENCHMARK_TEMPLATE(encodeFrame, true)->Name("encodeArgbData")->Apply(encodeSizes)->MinTime(3);
BENCHMARK_TEMPLATE(encodeFrame, false)->Name("enncodeYuvData")->Apply(encodeSizes)->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
