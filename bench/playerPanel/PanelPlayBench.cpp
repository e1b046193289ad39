// Playback of 2160x2160 30 fps recordings through the real player panel (1280x636, as in the
// main window), with the system's GL driver:
// - BM_PlayInMode: one panel for the whole run plays a 10 s recording in a loop for 30 s in each
//   mode in turn (0 original ... 4 angle), so the mode changes follow one another as a user's do;
//   shown_fps counts new frames the visible view put on screen, delivered_fps the frames the
//   controller sent; resident memory at the start and end of each mode.
// - BM_OpenTenRecordings: the same panel opens ten recordings one after another and plays each
//   for 3 s in the panorama mode; resident memory after each.
// Run under a display, e.g.
// xvfb-run -a -s "-screen 0 1920x1080x24" ./bench_player_panel
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include "AVPlayer.h"
#include "BenchApp.h"
#include "BenchDir.h"
#include "PlayerGLView.h"
#include "PlayerNormalGLView.h"
#include "PlayerView.h"
#include "RavlixPlayer.h"
#include "RecordingWriter.h"

namespace {

const int kPlayMs = 30000;
const int kRecordings = 10;
const int kPlayEachMs = 3000;

const QString& clip() {
    static const QString path = [] {
        recording::ClipOptions options;
        options.width = options.height = 2160;
        options.seconds = 10;
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

// The controller and the panel of the whole run, as the main window keeps them. Never deleted:
// the application ends first; each benchmark stops playback (as the stop button does) when it
// ends.
struct Panel {
    Panel() : player(RavlixPlayer::newPlayer(nullptr)), view(std::make_unique<PlayerView>()) {
        view->resize(1280, 636);
        view->show();
    }
    // Opens `path`; loop on, so that playback goes on past the clip's end.
    void open(const QString& path) {
        player->open(path);
        settle(300);
        auto* loop = view->findChild<QPushButton*>("btnOnceLoop");
        if (loop->styleSheet().contains("icon_play_once")) QTest::mouseClick(loop, Qt::LeftButton);
    }
    RavlixPlayer* player;
    std::unique_ptr<PlayerView> view;
};

Panel& panel() {
    static Panel* made = new Panel;
    return *made;
}

// Counts the frames a view puts on screen: a swap whose frame differs from the last one counted.
class ShownFrames {
  public:
    template <typename View>
    explicit ShownFrames(View* view) {
        connection = QObject::connect(view, &View::frameSwapped, [this, view] {
            const double t = view->getRawData().timestamp();
            if (t == last) return;
            last = t;
            ++count;
        });
    }
    ~ShownFrames() { QObject::disconnect(connection); }
    int count = 0;

  private:
    double last = -2;
    QMetaObject::Connection connection;
};

// Frames the controller sends; counted, not kept.
class DeliveredFrames {
  public:
    explicit DeliveredFrames(RavlixPlayer* player) {
        connection = QObject::connect(
            player, &RavlixPlayer::sigFrameUpdated, player, [this] { ++count; },
            Qt::DirectConnection);
    }
    ~DeliveredFrames() { QObject::disconnect(connection); }
    std::atomic<int> count{0};

  private:
    QMetaObject::Connection connection;
};

void BM_PlayInMode(benchmark::State& state) {
    Panel& p = panel();
    const PLAYBACK_MODE mode = PLAYBACK_MODE(state.range(0));
    if (p.player->getFilePath() != clip()) p.open(clip());
    p.view->setPlaybackMode(mode);
    p.view->play();
    settle(1000);
    for (auto _ : state) {
        const double rssStart = residentMiB();
        DeliveredFrames delivered(p.player);
        std::unique_ptr<ShownFrames> shown =
            mode == MODE_ORIGINAL
                ? std::make_unique<ShownFrames>(p.view->findChild<PlayerNormalGLView*>())
                : std::make_unique<ShownFrames>(p.view->findChild<PlayerGLView*>());
        settle(kPlayMs);
        const double seconds = kPlayMs / 1000.0;
        state.counters["shown_fps"] = shown->count / seconds;
        state.counters["delivered_fps"] = delivered.count / seconds;
        state.counters["rss_start_MiB"] = rssStart;
        state.counters["rss_end_MiB"] = residentMiB();
    }
    QMetaObject::invokeMethod(p.view.get(), "btnStopClicked");
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_PlayInMode)
    ->ArgName("mode")
    ->DenseRange(0, 4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OpenTenRecordings(benchmark::State& state) {
    Panel& p = panel();
    std::vector<QString> files;
    for (int i = 0; i < kRecordings; ++i) {
        const std::string copy = BenchDir::path() + "/REC" + std::to_string(i) + ".MOV";
        std::filesystem::copy_file(clip().toStdString(), copy,
                                   std::filesystem::copy_options::overwrite_existing);
        files.push_back(QString::fromStdString(copy));
    }
    p.view->setPlaybackMode(MODE_PANORAMA);
    for (auto _ : state) {
        for (int i = 0; i < kRecordings; ++i) {
            p.open(files[i]);
            p.view->play();
            settle(kPlayEachMs);
            state.counters["rss_after_" + std::to_string(i + 1) + "_MiB"] = residentMiB();
        }
    }
    QMetaObject::invokeMethod(p.view.get(), "btnStopClicked");
    state.counters["peak_MiB"] = peakMiB();
}
BENCHMARK(BM_OpenTenRecordings)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // As the program does.
    QtAV::AVPlayer::shareFewArenas();
    return BenchApp::runWithGL(argc, argv);
}
