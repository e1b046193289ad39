// Speed of the trip-data panels over a one-hour recording (3,600 records):
// the map page's setMarkers call until the page has run it, the graph built
// for a new list, and one second of playback (a record reaching the panel and
// the panel repainted). Offline: every request but qrc is blocked.
#include <cstdlib>
#include <functional>
#include <string>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "BenchApp.h"
#include "BenchDir.h"
#include "InfoView.h"
#include "MapView.h"
#include "RavlixPlayer.h"
#include "RecordingWriter.h"
#include "TripRecord.h"

namespace {

class QrcOnly : public QWebEngineUrlRequestInterceptor {
  public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        info.block(info.requestUrl().scheme() != "qrc");
    }
};

void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The controller with an hour-long record list open.
RavlixPlayer* hourPlayer() {
    static RavlixPlayer* player = [] {
        RavlixPlayer* made = RavlixPlayer::newPlayer(nullptr);
        const std::string path = BenchDir::path() + "/HOUR.MOV";
        recording::ClipOptions options;
        options.width = options.height = 64;
        // A record a second: the recording must last the hour for the records to be read.
        options.seconds = 3600;
        options.fps = 1;
        options.audio = false;
        if (!recording::encodeClip(path, options) ||
            !recording::addTripData(path, recording::makeTrip(3600), 256))
            std::abort();
        made->open(QString::fromStdString(path));
        waitUntil([made] { return !made->getAllGyroInfo().isEmpty(); });
        return made;
    }();
    return player;
}

void BM_SetMarkersReachesPage(benchmark::State& state) {
    hourPlayer();
    MapView view;
    view.resize(400, 300);
    view.show();
    auto* web = view.findChild<QWebEngineView*>();
    bool loaded = false;
    QObject::connect(web, &QWebEngineView::loadFinished, [&] { loaded = true; });
    waitUntil([&] { return loaded; });
    for (auto _ : state) {
        bool ran = false;
        view.updateAllGyroList();
        web->page()->runJavaScript("latlngList.length",
                                   [&](const QVariant& n) { ran = n.toInt() == 3600; });
        waitUntil([&] { return ran; });
        if (!ran) state.SkipWithError("page did not run the call");
    }
}
BENCHMARK(BM_SetMarkersReachesPage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GraphForNewList(benchmark::State& state) {
    hourPlayer();
    InfoView view;
    view.resize(1280, 130);
    view.show();
    for (auto _ : state) {
        view.updateAllGyroList();
        view.repaint();
    }
}
BENCHMARK(BM_GraphForNewList)->Unit(benchmark::kMillisecond);

void BM_OneSecondOfPlayback(benchmark::State& state) {
    const GyroInfoList list = hourPlayer()->getAllGyroInfo();
    InfoView view;
    view.resize(1280, 130);
    view.show();
    view.updateAllGyroList();
    int i = 0;
    for (auto _ : state) {
        view.gyroInfoUpdated(i, list.at(i));
        view.repaint();
        i = (i + 1) % list.size();
    }
}
BENCHMARK(BM_OneSecondOfPlayback)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QrcOnly interceptor;
    return BenchApp::runWithGL(argc, argv, [&] {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);
    });
}
