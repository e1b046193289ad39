#include "RecordingWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include "RecordingBoxes.h"
#include "RecordingFiles.h"

namespace recording {

namespace {

const int kToolTimeoutMs = 300000;

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

uint32_t readBe32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | uint8_t(bytes[at + i]);
    return value;
}

// The offset of the top-level "moov" box, or npos when it is missing.
size_t findMoov(const std::string& file) {
    size_t pos = 0;
    while (pos + 8 <= file.size()) {
        uint64_t size = readBe32(file, pos);
        if (file.compare(pos + 4, 4, "moov") == 0) return pos;
        if (size == 1 && pos + 16 <= file.size())
            size = uint64_t(readBe32(file, pos + 8)) << 32 | readBe32(file, pos + 12);
        if (size < 8) return std::string::npos;
        pos += size;
    }
    return std::string::npos;
}

// The RGB picture to BT.709 video-range 4:2:0, the matrix the output is tagged with.
const char* const kToVideo = "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p";

QString filterGraph(const ClipOptions& o) {
    if (!o.solidColor.empty())
        return QString("color=%1:s=%2x%3:r=%4,format=gbrp,%5[v]")
            .arg(QString::fromStdString(o.solidColor))
            .arg(o.width)
            .arg(o.height)
            .arg(o.fps)
            .arg(kToVideo);
    const int radius = lensRadiusOf(o);
    const int x = o.lensX >= 0 ? o.lensX : o.width / 2;
    const int y = o.lensY >= 0 ? o.lensY : o.height / 2;
    // Equirectangular test pattern -> the 210-degree field over a square as wide as the circle,
    // masked to the circle and placed with its centre on the lens centre, all in RGB.
    return QString(
               "[0:v]format=gbrp,v360=input=e:output=fisheye:h_fov=210:v_fov=210:w=%1:h=%1[f];"
               "nullsrc=s=%1x%1:d=1,format=gray,"
               "geq=lum='if(lte(hypot(X-W/2+0.5,Y-H/2+0.5),W/2),255,0)',"
               "loop=loop=-1:size=1[m];[f][m]alphamerge[a];"
               "color=black:s=%2x%3:r=%4[bg];[bg][a]overlay=x=%5:y=%6:shortest=1:format=rgb,"
               "%7[v]")
        .arg(2 * radius)
        .arg(o.width)
        .arg(o.height)
        .arg(o.fps)
        .arg(x - radius)
        .arg(y - radius)
        .arg(kToVideo);
}

QStringList clipArguments(const std::string& path, const ClipOptions& o) {
    QStringList args = {
        "-hide_banner",
        "-loglevel",
        "error",
        "-nostdin",
        "-y",
        "-f",
        "lavfi",
        "-i",
        QString("testsrc2=size=%1x%2:rate=%3").arg(2 * o.width).arg(o.width).arg(o.fps)};
    if (o.audio)
        args << "-f"
             << "lavfi"
             << "-i"
             << "sine=frequency=440:sample_rate=48000";
    args << "-filter_complex" << filterGraph(o) << "-map"
         << "[v]";
    if (o.audio)
        args << "-map"
             << "1:a"
             << "-c:a"
             << "aac"
             << "-b:a"
             << "64k";
    args << "-t" << QString::number(o.seconds) << "-colorspace"
         << "bt709"
         << "-color_primaries"
         << "bt709"
         << "-color_trc"
         << "bt709"
         << "-color_range"
         << "tv"
         << "-c:v"
         << "libx264"
         << "-preset"
         << "ultrafast"
         << "-g" << QString::number(o.fps) << "-f"
         << "mov" << QString::fromStdString(path);
    return args;
}

}  // namespace

int lensCircleRadius(int width, int height) {
    const int side = std::min(width, height);
    const int halfWidth = width / 2;
    const int smallest = 2 * (std::max(0, halfWidth / 2 - 30) + 1);
    const int largest = std::min(2 * (halfWidth / 2 - 11 - 1), side / 2);
    const int camera = int(std::lround(0.47 * side));
    if (side < kMinSide) return camera;
    return std::max(smallest, std::min(largest, camera));
}

int lensRadiusOf(const ClipOptions& options) {
    return options.lensRadius >= 0 ? options.lensRadius
                                   : lensCircleRadius(options.width, options.height);
}

std::string ffmpegTool() {
    if (QCoreApplication::instance()) {
        QFileInfo beside(QCoreApplication::applicationDirPath() + "/ffmpeg");
        if (beside.isExecutable()) return beside.absoluteFilePath().toStdString();
    }
    return "ffmpeg";
}

bool encodeClip(const std::string& path, const ClipOptions& options, std::string* error) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QString::fromStdString(ffmpegTool()), clipArguments(path, options));
    if (!tool.waitForStarted()) return fail(error, "cannot start " + ffmpegTool());
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return fail(error, "ffmpeg did not finish");
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return fail(error, "ffmpeg failed: " + tool.readAll().toStdString());
    return true;
}

bool addTripData(const std::string& path, const std::vector<TripRecord>& records, int blockSize,
                 std::string* error) {
    if (blockSize < 64) return fail(error, "block size below 64");
    std::string file;
    if (!readFile(path, &file, error)) return false;
    size_t moov = findMoov(file);
    if (moov == std::string::npos || moov + readBe32(file, moov) != file.size())
        return fail(error, "the last top-level box of " + path + " is not moov");
    uint64_t end = moov + uint64_t(blockSize) * records.size();
    if (end > 0x7fffffffu) return fail(error, "blocks would lie beyond 2 GiB");
    std::string blocks;
    std::vector<uint32_t> offsets;
    for (const TripRecord& record : records) {
        offsets.push_back(uint32_t(moov + blocks.size()));
        blocks += gpsBlockBox(record, blockSize);
    }
    std::string index = gpsIndexBox(offsets, uint32_t(blockSize));
    std::string movie = file.substr(moov);
    movie.replace(0, 4, be32(uint32_t(movie.size() + index.size())));
    return writeFile(path, file.substr(0, moov) + blocks + movie + index, error);
}

bool writeRecording(const std::string& path, const ClipOptions& options, std::string* error) {
    return encodeClip(path, options, error) &&
           addTripData(path, makeTrip(options.seconds), 4096, error);
}

}  // namespace recording
