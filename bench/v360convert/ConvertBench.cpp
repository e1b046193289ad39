// Converts a 10 s 2160x2160 recording at 30 frames a second with sound (RV_BENCH_SECONDS
// changes the length) to 2160, 2880 and 3840 wide, against the ffmpeg command doing the same
// work: frames taken by time at 27 a second before a nearest-sampling dewarp of the same lens
// (the filters "fps=27,v360=..."), GOP 12, no B-frames, the same bit rate and profile, the
// sound in AAC. Both run as whole processes in
// alternating rounds (RV_BENCH_ROUNDS, default 3); before the rounds ffprobe checks that both
// outputs have the same frame count and key frames and no B-frames.
//
// Counters (medians over the rounds): wall and CPU seconds and peak resident memory of each
// side, and the ratios ours / peer (below 1: we are faster).
//
//   build/bench/v360convert/bench_v360convert
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

#include "BenchDir.h"
#include "BenchStats.h"
#include "RecordingWriter.h"

extern char** environ;

namespace {

using BenchStats::envInt;
using BenchStats::median;

struct Run {
    double wall = 0;   // seconds
    double cpu = 0;    // user + system seconds
    double rssMb = 0;  // peak resident set
    bool ok = false;
};

const std::string& clip() {
    static const std::string path = [] {
        recording::ClipOptions options;
        options.width = options.height = 2160;
        options.fps = 30;
        options.seconds = envInt("RV_BENCH_SECONDS", 10);
        std::string p = BenchDir::path() + "/clip.MOV";
        recording::writeRecording(p, options);
        return p;
    }();
    return path;
}

double seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// The command as a process of its own, its output thrown away.
Run spawn(const QStringList& command) {
    std::vector<std::string> words;
    for (const QString& word : command) words.push_back(word.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.rssMb = usage.ru_maxrss / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

QString out(const char* side, int width) {
    return QString::fromStdString(BenchDir::path()) + QString("/%1%2.mp4").arg(side).arg(width);
}

QStringList oursCommand(int width) {
    return {QCoreApplication::applicationDirPath() + "/v360convert_run",
            QString::fromStdString(clip()), out("ours", width), QString::number(width)};
}

QStringList peerCommand(int width) {
    // Frames are picked by time before the dewarp, as ours are: an output "-r 27" would
    // dewarp every source frame and drop a tenth after.
    const QString filter =
        QString(
            "fps=27,v360=input=fisheye:output=equirect:ih_fov=210:iv_fov=210:interp=near:pitch=90:"
            "w=%1:h=%2")
            .arg(width)
            .arg(width / 2);
    return {"ffmpeg",
            "-v",
            "error",
            "-y",
            "-i",
            QString::fromStdString(clip()),
            "-vf",
            filter,
            "-t",
            QString::number(envInt("RV_BENCH_SECONDS", 10)),
            "-c:v",
            "libx264",
            "-preset",
            "medium",
            "-b:v",
            "6250000",
            "-g",
            "12",
            "-bf",
            "0",
            "-profile:v",
            "high",
            "-level",
            "5.1",
            "-pix_fmt",
            "yuv420p",
            "-c:a",
            "aac",
            out("peer", width)};
}

// The picture types of the video, one letter a frame.
QString pictureTypes(const QString& path) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                            "frame=pict_type", "-of", "csv=p=0", path});
    probe.waitForFinished(-1);
    return QString::fromUtf8(probe.readAllStandardOutput()).remove('\n');
}

// Same frame count and key frames, no B-frames; the reason otherwise.
std::string sameWork(int width) {
    const QString ours = pictureTypes(out("ours", width));
    const QString peer = pictureTypes(out("peer", width));
    if (ours.isEmpty() || ours.size() != peer.size())
        return "frame counts differ: " + std::to_string(ours.size()) + " / " +
               std::to_string(peer.size());
    if (ours.contains('B') || peer.contains('B')) return "B-frames";
    for (int i = 0; i < ours.size(); ++i)
        if ((ours[i] == 'I') != (peer[i] == 'I')) return "key frames differ";
    return "";
}

void conversion(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    if (!spawn(oursCommand(width)).ok || !spawn(peerCommand(width)).ok)
        return state.SkipWithError("a conversion failed");
    const std::string difference = sameWork(width);
    if (!difference.empty()) return state.SkipWithError(difference.c_str());
    std::vector<Run> ours, peer;
    int round = 0;
    for (auto _ : state) {
        // Alternating rounds, and the order within a round alternates too.
        if (round++ % 2 == 0) {
            ours.push_back(spawn(oursCommand(width)));
            peer.push_back(spawn(peerCommand(width)));
        } else {
            peer.push_back(spawn(peerCommand(width)));
            ours.push_back(spawn(oursCommand(width)));
        }
        state.SetIterationTime(ours.back().wall);
    }
    std::vector<double> wall, cpu, wallRatio, cpuRatio, oursRss, peerRss, oursCpu, peerCpu,
        peerWall;
    for (size_t i = 0; i < ours.size(); ++i) {
        wall.push_back(ours[i].wall);
        peerWall.push_back(peer[i].wall);
        oursCpu.push_back(ours[i].cpu);
        peerCpu.push_back(peer[i].cpu);
        wallRatio.push_back(ours[i].wall / peer[i].wall);
        cpuRatio.push_back(ours[i].cpu / peer[i].cpu);
        oursRss.push_back(ours[i].rssMb);
        peerRss.push_back(peer[i].rssMb);
    }
    state.counters["ours_s"] = median(wall);
    state.counters["peer_s"] = median(peerWall);
    state.counters["wall_ratio"] = median(wallRatio);
    state.counters["ours_cpu_s"] = median(oursCpu);
    state.counters["peer_cpu_s"] = median(peerCpu);
    state.counters["cpu_ratio"] = median(cpuRatio);
    state.counters["ours_MB"] = median(oursRss);
    state.counters["peer_MB"] = median(peerRss);
}

}  // namespace

BENCHMARK(conversion)
    ->Arg(2160)
    ->Arg(2880)
    ->Arg(3840)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(envInt("RV_BENCH_ROUNDS", 3));

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
