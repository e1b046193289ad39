// Writes a sample card folder: playable recordings with trip data, and on
// request the broken files the player must refuse.
//
//   make_recordings FOLDER [--seconds N] [--size PIXELS] [--broken]
//
// PIXELS (720 unless given, at least 160) is the side of the square frames; their lens circle
// lies where the lens-circle search looks for it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include "RecordingFiles.h"
#include "RecordingWriter.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: make_recordings FOLDER [--seconds N] [--size PIXELS] [--broken]\n");
    return 2;
}

bool writeBroken(const std::string& folder, const std::string& sample, std::string* error) {
    std::string moovCut;
    long long size = 0;
    if (recording::readFile(sample, &moovCut, error)) size = (long long)moovCut.size();
    return recording::writeFile(folder + "/BROKEN_EMPTY.MOV", "", error) &&
           recording::writeRandom(folder + "/BROKEN_RANDOM.MOV", 65536, 7, error) &&
           recording::writeTruncated(sample, folder + "/BROKEN_TRUNCATED.MOV", size - 200, error);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith("-")) return usage();
    std::string folder = QDir(args.takeFirst()).absolutePath().toStdString();
    recording::ClipOptions options;
    options.seconds = 10;
    options.width = options.height = 720;
    bool broken = false;
    while (!args.isEmpty()) {
        QString option = args.takeFirst();
        if (option == "--broken")
            broken = true;
        else if (option == "--seconds" && !args.isEmpty())
            options.seconds = args.takeFirst().toInt();
        else if (option == "--size" && !args.isEmpty())
            options.width = options.height = args.takeFirst().toInt() / 2 * 2;
        else
            return usage();
    }
    if (options.seconds < 1 || options.width < recording::kMinSide) return usage();
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        std::fprintf(stderr, "cannot create %s\n", folder.c_str());
        return 1;
    }
    std::string error;
    const char* names[] = {"REC_20261210_093000.MOV", "REC_20261210_094000.MOV",
                           "REC_20261210_095000.MOV"};
    for (const char* name : names) {
        if (!recording::writeRecording(folder + "/" + name, options, &error)) {
            std::fprintf(stderr, "%s: %s\n", name, error.c_str());
            return 1;
        }
        options.seconds += 2;
    }
    if (broken && !writeBroken(folder, folder + "/" + names[0], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", folder.c_str());
    return 0;
}
