// Speed of reading trip records: a long recording, whose media lie before "moov" in one 2 GB
// "mdat" that the parser must seek past, not read; and an 8 MB index of 1,000,000 entries, read
// as the controller reads it when it opens a file (records converted), for a stated duration of
// a minute and of a day or more.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QString>

#include "BenchDir.h"
#include "GpsDataParser.h"
#include "GyroInfoList.h"
#include "RecordingBoxes.h"
#include "RecordingFiles.h"
#include "TripRecord.h"

namespace {

const int kRecords = 60;
const int kBlockSize = 4096;
// Index offsets are read as signed 32-bit values: the blocks stay below 2 GiB.
const uint32_t kMdatSize = 2000000000u;

// ftyp, a hole of mdat, one "free" block box per record, then a "moov" whose
// last child is the "gps " index of the blocks.
bool writeLongRecording(const std::string& path, const std::vector<recording::TripRecord>& trip) {
    using namespace recording;
    const std::string head = box("ftyp", std::string("qt  ") + be32(0) + "qt  ");
    const long long blocksAt = (long long)head.size() + kMdatSize;
    std::string tail;
    std::vector<uint32_t> offsets;
    for (const TripRecord& record : trip) {
        offsets.push_back(uint32_t(blocksAt + (long long)tail.size()));
        tail += gpsBlockBox(record, kBlockSize);
    }
    tail += box("moov", box("mvhd", std::string(100, '\0')) + gpsIndexBox(offsets, kBlockSize));
    return writeSparse(path, blocksAt + (long long)tail.size(),
                       {{0, head + boxHeader("mdat", kMdatSize)}, {blocksAt, tail}});
}

void parseLongRecording(benchmark::State& state) {
    const std::vector<recording::TripRecord> trip = recording::makeTrip(kRecords);
    const std::string path = BenchDir::path() + "/long.mov";
    if (!writeLongRecording(path, trip)) {
        state.SkipWithError("cannot write the recording");
        return;
    }
    const QString file = QString::fromStdString(path);
    {
        GpsDataParser check;
        if (check.parse(file) != 0 || check.gyroRawInfoList.size() != kRecords ||
            check.gyroRawInfoList.last().second != trip.back().second) {
            state.SkipWithError("the parser did not find the 60 records");
            return;
        }
    }
    for (auto _ : state) {
        GpsDataParser parser;
        benchmark::DoNotOptimize(parser.parse(file));
        benchmark::DoNotOptimize(parser.gyroRawInfoList.size());
    }
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
BENCHMARK(parseLongRecording)->Unit(benchmark::kMillisecond)->UseRealTime();

const int kHugeIndex = 1000000;
const int kHugeBlocks = 60;

// ftyp, 60 block boxes, then a "moov" whose "mvhd" states `seconds` and whose index names the
// blocks in turn 1,000,000 times (8 MB).
bool writeHugeIndex(const std::string& path, uint32_t seconds) {
    using namespace recording;
    std::string file = box("ftyp", std::string("qt  ") + be32(0) + "qt  ");
    std::vector<uint32_t> blocks;
    for (const TripRecord& record : makeTrip(kHugeBlocks)) {
        blocks.push_back(uint32_t(file.size()));
        file += gpsBlockBox(record, 256);
    }
    std::vector<uint32_t> offsets(kHugeIndex);
    for (int i = 0; i < kHugeIndex; ++i) offsets[size_t(i)] = blocks[size_t(i % kHugeBlocks)];
    const std::string mvhd =
        std::string(12, '\0') + be32(1) + be32(seconds) + std::string(80, '\0');
    file += box("moov", box("mvhd", mvhd) + gpsIndexBox(offsets, 256));
    return writeFile(path, file);
}

void readHugeIndex(benchmark::State& state) {
    const uint32_t seconds = uint32_t(state.range(0));
    const std::string path = BenchDir::path() + "/huge.mov";
    if (!writeHugeIndex(path, seconds)) {
        state.SkipWithError("cannot write the recording");
        return;
    }
    const QString file = QString::fromStdString(path);
    long long records = 0;
    for (auto _ : state) {
        const GyroInfoList list = GyroInfoList::read(file);
        records = list.size();
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = double(records);
    std::remove(path.c_str());
}
BENCHMARK(readHugeIndex)
    ->Arg(60)
    ->Arg(24 * 3600)
    ->Arg(2000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
