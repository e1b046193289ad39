// Speed of reading the trip records of a long recording: the media lie
// before "moov" in one 2 GB "mdat" that the parser must seek past, not read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QString>

#include "BenchDir.h"
#include "GpsDataParser.h"
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

}  // namespace

BENCHMARK_MAIN();
