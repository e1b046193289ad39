// Speed of the file browser: the lens-circle search on half-size frames of 960 and 1440
// pixels, and listing a folder of 1,000 recordings (rows built, then the durations read on
// the pool while the event loop keeps running).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>

#include "BenchDir.h"
#include "CircleCheckTask.h"
#include "FileListItemView.h"
#include "FileListView.h"

namespace {

// A fisheye-like picture: a bright disc with a grid inside, on black.
QImage lensImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(200, 190, 170));
    painter.setPen(Qt::NoPen);
    const double radius = side / 2.0 - 20;
    painter.drawEllipse(QPointF(side / 2.0, side / 2.0), radius, radius);
    painter.setPen(QPen(QColor(60, 80, 120), 3));
    for (int i = side / 8; i < side; i += side / 8) {
        painter.drawLine(i, side / 8, i, side - side / 8);
        painter.drawLine(side / 8, i, side - side / 8, i);
    }
    return image;
}

void circleSearch(benchmark::State& state) {
    const QImage image = lensImage(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(CircleCheckTask::findCircle(image));
}
BENCHMARK(circleSearch)->Arg(960)->Arg(1440)->Unit(benchmark::kMillisecond);

void greyConversionOnly(benchmark::State& state) {
    const QImage image = lensImage(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(image.convertToFormat(QImage::Format_Grayscale8));
}
BENCHMARK(greyConversionOnly)->Arg(960)->Arg(1440)->Unit(benchmark::kMillisecond);

void edgeMapOnly(benchmark::State& state) {
    const QImage grey = lensImage(int(state.range(0))).convertToFormat(QImage::Format_Grayscale8);
    for (auto _ : state) benchmark::DoNotOptimize(CircleCheckTask::edgeMap(grey));
}
BENCHMARK(edgeMapOnly)->Arg(960)->Arg(1440)->Unit(benchmark::kMillisecond);

void ringSearchOnly(benchmark::State& state) {
    const QImage grey = lensImage(int(state.range(0))).convertToFormat(QImage::Format_Grayscale8);
    const std::vector<uint8_t> edges = CircleCheckTask::edgeMap(grey);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            CircleCheckTask::searchCircle(edges.data(), grey.width(), grey.height()));
}
BENCHMARK(ringSearchOnly)->Arg(960)->Arg(1440)->Unit(benchmark::kMillisecond);

// A folder of `count` hard links to one short 64x64 recording.
std::string cardFolder(int count) {
    static std::string folder;
    if (!folder.empty()) return folder;
    folder = BenchDir::path() + "/card";
    const std::string source = BenchDir::path() + "/source.MOV";
    const std::string command =
        "mkdir -p '" + folder +
        "' && /usr/bin/ffmpeg -v error -y -f lavfi -i color=gray:s=64x64:r=30"
        " -t 2 -c:v libx264 -preset ultrafast -f mov '" +
        source + "'";
    if (std::system(command.c_str()) != 0) return folder = std::string();
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/REC%04d.MOV", i);
        if (link(source.c_str(), (folder + name).c_str()) != 0) return folder = std::string();
    }
    return folder;
}

class OpenList : public FileListView {
  public:
    using FileListView::changeDir;
};

bool allRowsBuilt(FileListView& view, int count) {
    return view.findChildren<FileListItemView*>().size() == count;
}

bool allDurationsShown(FileListView& view, int count) {
    const QList<QLabel*> labels = view.findChildren<QLabel*>("lblDuration");
    if (labels.size() != count) return false;
    for (QLabel* label : labels) {
        if (label->text() == "00 : 00") return false;
    }
    return true;
}

// scan_ms: from the choice of the folder to its names' arrival; rows_ms: from the choice of the
// folder to the end of its listing (the first rows shown, circle chain over five files);
// all_rows_ms: until every row is built; fill_ms: until every duration is shown; max_gap_ms: the
// longest wait of a 5 ms timer on the main thread while the rest of the rows are built and the
// durations load.
void listThousandRecordings(benchmark::State& state) {
    const int count = 1000;
    const std::string folder = cardFolder(count);
    if (folder.empty()) {
        state.SkipWithError("cannot make the recordings");
        return;
    }
    double scanMs = 0, rowsMs = 0, allRowsMs = 0, fillMs = 0, maxGapMs = 0;
    for (auto _ : state) {
        OpenList view;
        view.resize(620, 194);
        view.show();
        bool listed = false;
        QElapsedTimer clock;
        QObject::connect(&view, &FileListView::sigHideWaitingView, [&] { listed = true; });
        QObject::connect(&view, &FileListView::sigChangeDir,
                         [&] { scanMs = clock.nsecsElapsed() / 1e6; });
        clock.start();
        view.changeDir(QString::fromStdString(folder));
        while (!listed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        rowsMs = clock.nsecsElapsed() / 1e6;

        qint64 last = clock.elapsed(), gap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            gap = std::max(gap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(5);
        while (!allRowsBuilt(view, count))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        allRowsMs = clock.nsecsElapsed() / 1e6;
        while (!allDurationsShown(view, count))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        fillMs = clock.nsecsElapsed() / 1e6;
        maxGapMs = double(gap);
        QThreadPool::globalInstance()->waitForDone();
    }
    state.counters["scan_ms"] = scanMs;
    state.counters["rows_ms"] = rowsMs;
    state.counters["all_rows_ms"] = allRowsMs;
    state.counters["fill_ms"] = fillMs;
    state.counters["max_gap_ms"] = maxGapMs;
}
BENCHMARK(listThousandRecordings)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
