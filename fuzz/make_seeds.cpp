// Writes the seed inputs of the fuzz targets into FOLDER/corpus/<target>/.
//
//   fuzz_make_seeds FUZZ_FOLDER
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QDir>
#include <QString>

#include "RecordingBoxes.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"

namespace {

using namespace recording;

std::string folderOf(const std::string& root, const std::string& target) {
    std::string folder = root + "/corpus/" + target;
    QDir().mkpath(QString::fromStdString(folder));
    return folder;
}

bool put(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::string error;
    if (writeFile(folder + "/" + name, bytes, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

// ftyp, two block boxes, then "moov" with the index box as its last child. With
// `statedSeconds`, "mvhd" states that duration and the index count is from 2^31.
std::string tripFile(bool largeMoov, uint32_t statedSeconds = 0) {
    std::vector<TripRecord> trip = makeTrip(2);
    trip[1].chars[1] = 'S';
    trip[1].chars[2] = 'W';
    std::string head = box("ftyp", std::string("qt  \0\0\0\0qt  ", 12));
    std::vector<uint32_t> offsets;
    for (const TripRecord& record : trip) {
        offsets.push_back(uint32_t(head.size()));
        head += gpsBlockBox(record, 96);
    }
    const std::string mvhd = statedSeconds == 0 ? std::string(20, '\0')
                                                : std::string(12, '\0') + be32(1) +
                                                      be32(statedSeconds) + std::string(80, '\0');
    const std::string index = statedSeconds == 0
                                  ? gpsIndexBox(offsets, 96)
                                  : gpsIndexBox(offsets, 96, int32_t(0x80000002u), "gps ");
    std::string children = box("mvhd", mvhd) + box("free", "Ravlix") + index;
    return head + (largeMoov ? largeBox("moov", children) : box("moov", children));
}

template <typename T>
std::string bytesOf(T value) {
    std::string out(sizeof value, '\0');
    std::memcpy(&out[0], &value, sizeof value);
    return out;
}

// whence, offset, length, then (kind, argument) operations.
std::string windowOps(uint8_t whence, int64_t offset, int32_t length,
                      const std::vector<std::pair<uint8_t, int64_t>>& ops) {
    std::string out(1, char(whence));
    out += bytesOf(offset) + bytesOf(length);
    for (const auto& op : ops) out += std::string(1, char(op.first)) + bytesOf(op.second);
    return out;
}

bool writeTripSeeds(const std::string& root, const std::string& clip) {
    std::string folder = folderOf(root, "trip_records");
    std::string recorded;
    return put(folder, "records.mov", tripFile(false)) &&
           put(folder, "records_large_moov.mov", tripFile(true)) &&
           put(folder, "records_stated_duration.mov", tripFile(false, 2)) &&
           readFile(clip, &recorded) && put(folder, "recording.mov", recorded);
}

bool writeDecoderSeeds(const std::string& root, std::string* clip) {
    std::string folder = folderOf(root, "decoder");
    ClipOptions options;
    options.width = options.height = 32;
    options.seconds = 1;
    options.fps = 10;
    std::string error;
    *clip = folder + "/clip_audio.mov";
    bool ok = encodeClip(*clip, options, &error) && addTripData(*clip, makeTrip(1), 64, &error);
    options.audio = false;
    options.solidColor = "blue";
    ok = ok && encodeClip(folder + "/clip_plain.mov", options, &error);
    if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
    return ok;
}

bool writeJsonSeeds(const std::string& root) {
    std::string folder = folderOf(root, "json");
    return put(folder, "object.json",
               "{\"name\": \"a\\u00e9\\n\", \"n\": -1.5e3, \"list\": [1, true, null, "
               "{\"x\": false}], \"empty\": {}}") &&
           put(folder, "array.json", "[1, [2, [3]], \"x\", 0.25]") &&
           put(folder, "broken.json", "{\"a\": [1,], \"b\": tru}");
}

bool writeWindowSeeds(const std::string& root) {
    std::string folder = folderOf(root, "partial_file");
    return put(folder, "start.bin", windowOps(0, 100, 200, {{1, 50}, {0, 10}, {3, 300}})) &&
           put(folder, "end.bin", windowOps(2, -64, 64, {{4, -8}, {1, 16}, {2, 5}, {1, 100}})) &&
           put(folder, "bad_seek.bin", windowOps(0, 0, 4096, {{0, -1}, {6, 1}, {2, 1}, {1, 7}}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FUZZ_FOLDER\n");
        return 2;
    }
    std::string root = argv[1];
    std::string clip;
    bool ok = writeDecoderSeeds(root, &clip) && writeTripSeeds(root, clip) &&
              writeJsonSeeds(root) && writeWindowSeeds(root);
    return ok ? 0 : 1;
}
