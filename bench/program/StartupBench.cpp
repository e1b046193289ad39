// The built program started on a remembered card folder, in fresh home and XDG folders, on the
// X display: times to its window, to the listed recordings with their durations, and, after a click
// on the first recording, to its first frame in the player panel (the web engine of the map
// included).
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QThread>

#include "BenchDir.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "XDisplayInput.h"

namespace {

const QString kTitle = "QUENDRA TRELLIQ";
const QRect kPicture(14, 64, 689, 423);
const QPoint kFirstRow(800, 552);

// The duration cell of row `row` of the list.
QRect durationCell(int row) { return QRect(720 + 184, 542 + 24 * row, 87, 20); }

QString card() {
    static const QString folder = [] {
        const QString dir = QString::fromStdString(BenchDir::path()) + "/card";
        QDir().mkpath(dir);
        recording::ClipOptions options;
        options.width = options.height = 2160;
        options.seconds = 3;
        for (const char* name : {"REC_0001.MOV", "REC_0002.MOV"})
            recording::writeRecording((dir + "/" + name).toStdString(), options);
        // Unreadable: its row keeps "00 : 00", the picture of a duration not read yet.
        recording::writeRandom((dir + "/REC_9999.MOV").toStdString(), 4000, 1);
        return dir;
    }();
    return folder;
}

// Fresh home and XDG folders with the card remembered.
QProcessEnvironment freshHome(int run) {
    const QString home = QString::fromStdString(BenchDir::path()) + QString("/home%1").arg(run);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        env.insert(name, home + "/" + name);
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QDir().mkpath(home + "/runtime");
    const QString data = home + "/XDG_DATA_HOME/" + kTitle;
    QDir().mkpath(data);
    QSettings(data + "/setting.ini", QSettings::IniFormat).setValue("LAST_DIR_PATH", card());
    return env;
}

// White text: the waiting overlay (which dims the window) is gone.
bool hasWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qRed(image.pixel(x, y)) > 250 && qGreen(image.pixel(x, y)) > 250 &&
                qBlue(image.pixel(x, y)) > 250)
                return true;
    return false;
}

// The rows are listed with their durations: the first row's shows, undimmed, and differs from
// the unreadable row's "00 : 00".
bool listedWithDurations(XDisplayInput& input, unsigned long id) {
    const QImage first = input.grab(id, durationCell(0));
    return hasWhite(first) && first != input.grab(id, durationCell(2));
}

int colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) seen << image.pixel(x, y);
    return seen.size();
}

// Milliseconds until `done` holds, polling; -1 after 30 s.
qint64 until(const QElapsedTimer& clock, const std::function<bool()>& done) {
    while (!done()) {
        if (clock.elapsed() > 30000) return -1;
        QThread::msleep(10);
    }
    return clock.elapsed();
}

void BM_StartToFirstFrame(benchmark::State& state) {
    XDisplayInput input;
    QString why;
    if (!input.isReady(&why)) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    card();
    int run = 0;
    double window = 0, listed = 0, frame = 0, listedToFrame = 0;
    for (auto _ : state) {
        QProcess program;
        program.setProcessEnvironment(freshHome(run++));
        QElapsedTimer clock;
        clock.start();
        program.start(RV_PROGRAM_PATH, QStringList());
        unsigned long id = 0;
        window += until(clock, [&] { return (id = input.findWindow(kTitle)) != 0; });
        const qint64 listedAt = until(clock, [&] { return listedWithDurations(input, id); });
        listed += listedAt;
        input.clickUntil(
            id, kFirstRow, [&] { return colours(input.grab(id, kPicture)) > 50; }, 30000);
        const qint64 shown = clock.elapsed();
        frame += shown;
        listedToFrame += shown - listedAt;
        input.requestClose(id);
        program.waitForFinished(20000);
    }
    state.counters["window_ms"] = benchmark::Counter(window, benchmark::Counter::kAvgIterations);
    state.counters["listed_ms"] = benchmark::Counter(listed, benchmark::Counter::kAvgIterations);
    state.counters["first_frame_ms"] =
        benchmark::Counter(frame, benchmark::Counter::kAvgIterations);
    state.counters["listed_to_frame_ms"] =
        benchmark::Counter(listedToFrame, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartToFirstFrame)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
