// Plays a 2160x2160 30 fps recording in the player panel in each mode and counts the frames
// the controller delivers and the frames the visible view shows; resident memory with them.
#include <sys/resource.h>

#include <atomic>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "BenchApp.h"
#include "BenchDir.h"
#include "PlayerGLView.h"
#include "PlayerNormalGLView.h"
#include "PlayerView.h"
#include "RavlixPlayer.h"
#include "RecordingWriter.h"

namespace {

const int kSeconds = 10;

const QString& clip() {
    static const QString path = [] {
        recording::ClipOptions options;
        options.width = options.height = 2160;
        options.seconds = kSeconds;
        const std::string file = BenchDir::path() + "/UHD.MOV";
        recording::writeRecording(file, options);
        return QString::fromStdString(file);
    }();
    return path;
}

double residentMiB() {
    std::ifstream status("/proc/self/statm");
    long pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * 4096.0 / (1024 * 1024);
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Plays for `ms` in `mode`; loops so that a long run keeps playing.
void play(benchmark::State& state, PLAYBACK_MODE mode, int ms) {
    RavlixPlayer* player = RavlixPlayer::newPlayer(nullptr);
    {
        PlayerView view;
        view.resize(1280, 636);
        view.show();
        QTest::mouseClick(view.findChild<QPushButton*>("btnOnceLoop"), Qt::LeftButton);
        view.setPlaybackMode(mode);
        player->open(clip());
        settle(1500);
        QWidget* shownView = mode == MODE_ORIGINAL
                                 ? static_cast<QWidget*>(view.findChild<PlayerNormalGLView*>())
                                 : view.findChild<PlayerGLView*>();
        for (auto _ : state) {
            // Counted, not spied: a spy would keep every frame it sees.
            std::atomic<int> delivered{0};
            QMetaObject::Connection counting = QObject::connect(
                player, &RavlixPlayer::sigFrameUpdated, player, [&delivered] { ++delivered; },
                Qt::DirectConnection);
            QSignalSpy shown(shownView, SIGNAL(frameSwapped()));
            view.play();
            settle(2000);
            const double rssStart = residentMiB();
            delivered = 0;
            shown.clear();
            settle(ms);
            const double seconds = ms / 1000.0;
            state.counters["delivered_fps"] = delivered / seconds;
            state.counters["shown_fps"] = shown.count() / seconds;
            state.counters["dropped"] = qMax(0.0, 30 * seconds - shown.count());
            state.counters["rss_start_MiB"] = rssStart;
            state.counters["rss_end_MiB"] = residentMiB();
            view.pause();
            QObject::disconnect(counting);
        }
    }
    RavlixPlayer::deletePlayer(player);
    state.counters["peak_MiB"] = peakMiB();
}

void BM_PlayInMode(benchmark::State& state) { play(state, PLAYBACK_MODE(state.range(0)), 8000); }
BENCHMARK(BM_PlayInMode)
    ->ArgName("mode")
    ->DenseRange(0, 4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MemoryOverAMinute(benchmark::State& state) { play(state, MODE_PANORAMA, 60000); }
BENCHMARK(BM_MemoryOverAMinute)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return BenchApp::runWithGL(argc, argv); }
