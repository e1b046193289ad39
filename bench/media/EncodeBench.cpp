// Both H.264 encoders over a run of BGRA frames: the frames of the raw file RV_ENCODE_FRAMES
// (packed BGRA of RV_ENCODE_SIZE, "WxH") or, without it, 27 frames of moving noise at the
// benchmark's size. One round encodes every frame and closes the file. encode_vs_ffmpeg.sh
// times the ffmpeg command on the same frames and settings beside these.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchDir.h"
#include "FFMpegEncoder360G.h"
#include "FFMpegVideoEncoder.h"

namespace {

struct Frames {
    int width = 0, height = 0;
    std::vector<std::vector<uint8_t>> pictures;
};

Frames fileFrames(const char* path, const char* size) {
    Frames f;
    if (std::sscanf(size, "%dx%d", &f.width, &f.height) != 2 || f.width < 1 || f.height < 1)
        return f;
    std::ifstream in(path, std::ios::binary);
    const size_t bytes = static_cast<size_t>(f.width) * f.height * 4;
    std::vector<uint8_t> picture(bytes);
    while (in.read(reinterpret_cast<char*>(picture.data()), static_cast<std::streamsize>(bytes)))
        f.pictures.push_back(picture);
    return f;
}

Frames noiseFrames(int width, int height) {
    Frames f{width, height, {}};
    std::mt19937 rng(1);
    std::vector<uint8_t> base(static_cast<size_t>(width) * height * 4);
    for (uint8_t& b : base) b = static_cast<uint8_t>(rng() % 64);
    for (int i = 0; i < 27; ++i) {
        std::vector<uint8_t> p(base.size());
        for (size_t k = 0; k < p.size(); ++k)
            p[k] = static_cast<uint8_t>(base[(k + static_cast<size_t>(i) * 4 * 7) % base.size()] +
                                        (k / 4 % width) * 128 / width);
        f.pictures.push_back(std::move(p));
    }
    return f;
}

Frames frames(int width, int height) {
    const char* path = std::getenv("RV_ENCODE_FRAMES");
    const char* size = std::getenv("RV_ENCODE_SIZE");
    return path && size ? fileFrames(path, size) : noiseFrames(width, height);
}

void encode360G(benchmark::State& state) {
    const Frames f = frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string path = BenchDir::path() + "/ours360G.mp4";
    for (auto _ : state) {
        FFMpegEncoder360G enc(path.c_str(), f.width, f.height, 6250000, nullptr);
        if (enc.getInitError() != 0) {
            state.SkipWithError("cannot open the encoder");
            return;
        }
        for (const auto& p : f.pictures) enc.encodeArgbData(p.data(), 1);
        enc.endEncode();
    }
    state.counters["frames"] = static_cast<double>(f.pictures.size());
}

void encodeVideoEncoder(benchmark::State& state) {
    const Frames f = frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string path = BenchDir::path() + "/oursVideo.mp4";
    for (auto _ : state) {
        FFMpegVideoEncoder enc;
        if (enc.init(path.c_str(), f.width, f.height, true, 27, 6250000, 0) != 0) {
            state.SkipWithError("cannot open the encoder");
            return;
        }
        for (const auto& p : f.pictures) enc.encode(p.data(), 0);
        enc.close();
    }
    state.counters["frames"] = static_cast<double>(f.pictures.size());
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h"})->Args({2880, 1440});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}
BENCHMARK(encode360G)->Apply(sizes);
BENCHMARK(encodeVideoEncoder)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
