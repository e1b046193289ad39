#include "DecodeTestSupport.h"

#include <sys/stat.h>

#include <QProcess>
#include <QStringList>

#include "LogSystem.h"

namespace DecodeTest {

std::string run(const std::string& program, const std::vector<std::string>& args, bool* ok) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess process;
    process.start(QString::fromStdString(program), list);
    bool done = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
                process.exitCode() == 0;
    if (ok) *ok = done;
    return done ? process.readAllStandardOutput().toStdString() : std::string();
}

std::string indexFilter() {
    return "format=yuv444p,geq=lum='if(mod(floor(N/pow(2,floor(X*8/W))),2),235,16)'"
           ":cb=128:cr=128";
}

std::string makeClip(const std::string& dir, const std::string& name, const std::string& size,
                     int fps, double seconds, const std::vector<std::string>& extra,
                     const std::vector<std::string>& inputs) {
    const std::string path = dir + "/" + name;
    std::vector<std::string> args = {"-v",
                                     "error",
                                     "-y",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "color=c=black:s=" + size + ":r=" + std::to_string(fps) +
                                         ":d=" + std::to_string(seconds) + ",format=yuv444p"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.insert(args.end(), {"-vf", indexFilter()});
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(path);
    bool ok = false;
    run("/usr/bin/ffmpeg", args, &ok);
    return ok ? path : std::string();
}

int frameIndex(const uint8_t* pixels, int width, int height, int bytesPerPixel) {
    const int channel = bytesPerPixel == 4 ? 1 : 0;
    const size_t row = static_cast<size_t>(height / 2) * width * bytesPerPixel;
    int index = 0;
    for (int band = 0; band < 8; ++band) {
        const int x = (2 * band + 1) * width / 16;
        const int value = pixels[row + static_cast<size_t>(x) * bytesPerPixel + channel];
        if (value > 80 && value < 170) return -1;
        if (value >= 170) index |= 1 << band;
    }
    return index;
}

std::vector<uint8_t> indexPicture(int index, int width, int height) {
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool on = (index >> (x * 8 / width)) & 1;
            uint8_t* p = &picture[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = p[1] = p[2] = on ? 255 : 0;
            p[3] = 255;
        }
    }
    return picture;
}

std::string makeAudioOnly(const std::string& dir) {
    const std::string path = dir + "/sound.m4a";
    run("/usr/bin/ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=1", "-c:a", "aac", path});
    return path;
}

std::string makeTextMovie(const std::string& dir) {
    const std::string path = dir + "/notes.mov";
    FILE* f = fopen(path.c_str(), "w");
    if (f) {
        fputs("these are notes, not a movie\n", f);
        fclose(f);
    }
    return path;
}

std::vector<OpenFailure> openFailures(const std::string& dir, const std::string& textMovie,
                                      const std::string& audioOnly) {
    const std::string missing = dir + "/missing.mp4";
    // Opening a pipe without a writer would block.
    const std::string pipe = dir + "/pipe.mp4";
    mkfifo(pipe.c_str(), 0600);
    return {
        {pipe, -2, "Not a regular file: " + pipe},
        {dir, -2, "Not a regular file: " + dir},
        {missing, -30, "avformat_open_input(\"" + missing + "\") failed, error: "},
        {textMovie, -2, "avformat_open_input(\"" + textMovie + "\") failed"},
        {audioOnly, -2, "Cannot find video stream from " + audioOnly},
    };
}

std::string probeValue(const std::string& probeOutput, const std::string& key) {
    const std::string head = key + "=";
    size_t pos = 0;
    while (pos < probeOutput.size()) {
        size_t end = probeOutput.find('\n', pos);
        if (end == std::string::npos) end = probeOutput.size();
        const std::string line = probeOutput.substr(pos, end - pos);
        if (line.compare(0, head.size(), head) == 0) return line.substr(head.size());
        pos = end + 1;
    }
    return std::string();
}

LogCapture& captureLog() {
    LogCapture& capture = LogCapture::install();
    LogSystem::getSysLogSystem()->setLogLevel(LogLevel::DBG);
    return capture;
}

}  // namespace DecodeTest
