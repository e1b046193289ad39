// Both H.264 encoders over a run of BGRA frames: the frames of the raw file RV_ENCODE_FRAMES
// (packed BGRA of RV_ENCODE_SIZE, "WxH") or, without it, 27 frames of moving noise at the
// benchmark's size. One round encodes every frame and closes the file.
// In memory: the encoder alone, the frames already loaded. Against ffmpeg: both sides are whole
// processes reading the same raw file (ours: bench_media_encode_file), timed the same way in
// alternating rounds, with the same settings (preset, bit rate, GOP, no B-frames, profile,
// level, bicubic BGRA to YUV 4:2:0); ffprobe then checks that both files hold the same number
// of frames and no B-frames.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "PeerRatio.h"

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

// The raw file of the frames: RV_ENCODE_FRAMES, or the frames written into the scratch folder.
std::string rawFile(const Frames& f) {
    if (const char* path = std::getenv("RV_ENCODE_FRAMES")) return path;
    const std::string path = BenchDir::path() + "/frames.bgra";
    std::ofstream out(path, std::ios::binary);
    for (const auto& p : f.pictures)
        out.write(reinterpret_cast<const char*>(p.data()), static_cast<std::streamsize>(p.size()));
    return path;
}

// Runs a command (searched on PATH) with its output thrown away; its exit status, -1 when it
// could not run or did not exit.
int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ffprobe's count of the video packets and its B-frame flag, as one text.
std::string probe(const std::string& path) {
    const std::string command =
        "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
        "stream=nb_read_packets,has_b_frames -of csv=p=0 '" +
        path + "'";
    std::string text;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) text += buffer;
        pclose(p);
    }
    return text;
}

std::string encodeFileTool() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    dir = dir.substr(0, dir.rfind('/') + 1);
    return dir + "bench_media_encode_file";
}

// Our encoder `kind` ("360G" or "video") and the ffmpeg command with the same settings (preset,
// GOP), both as whole processes on the same raw file, in alternating rounds.
void ratioToFfmpeg(benchmark::State& state, const char* kind, const char* preset, int gop) {
    const Frames f = frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string raw = rawFile(f);
    const std::string size = std::to_string(f.width) + "x" + std::to_string(f.height);
    const std::string ours = BenchDir::path() + "/ours.mp4", peer = BenchDir::path() + "/peer.mp4";
    const std::vector<std::string> oursCommand = {encodeFileTool(), kind, raw, size, ours};
    const std::vector<std::string> peerCommand = {"ffmpeg",     "-v",
                                                  "error",      "-y",
                                                  "-f",         "rawvideo",
                                                  "-pix_fmt",   "bgra",
                                                  "-s",         size,
                                                  "-r",         "27",
                                                  "-i",         raw,
                                                  "-sws_flags", "bicubic",
                                                  "-pix_fmt",   "yuv420p",
                                                  "-c:v",       "libx264",
                                                  "-preset",    preset,
                                                  "-b:v",       "6250000",
                                                  "-g",         std::to_string(gop),
                                                  "-bf",        "0",
                                                  "-profile:v", "high",
                                                  "-level",     "5.1",
                                                  peer};
    bool failed = false;
    PeerRatio::run(
        state, [&] { failed = failed || run(oursCommand) != 0; },
        [&] { failed = failed || run(peerCommand) != 0; });
    if (failed)
        state.SkipWithError("a command failed");
    else if (probe(ours).empty() || probe(ours) != probe(peer))
        state.SkipWithError(("the outputs differ: " + probe(ours) + " / " + probe(peer)).c_str());
    state.counters["frames"] = static_cast<double>(f.pictures.size());
}

void ratio360GToFfmpeg(benchmark::State& state) { ratioToFfmpeg(state, "360G", "medium", 12); }
void ratioVideoEncoderToFfmpeg(benchmark::State& state) {
    ratioToFfmpeg(state, "video", "veryfast", 15);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h"})->Args({2880, 1440});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}
BENCHMARK(encode360G)->Apply(sizes);
BENCHMARK(encodeVideoEncoder)->Apply(sizes);

void processRounds(benchmark::internal::Benchmark* b) {
    b->ArgNames({"w", "h"})->Args({2880, 1440});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
}
BENCHMARK(ratio360GToFfmpeg)->Apply(processRounds);
BENCHMARK(ratioVideoEncoderToFfmpeg)->Apply(processRounds);

}  // namespace

BENCHMARK_MAIN();
