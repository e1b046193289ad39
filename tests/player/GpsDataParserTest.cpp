// Trip records read from generated files: block and walk cases over small
// hand-built layouts, sparse gigabyte files, broken files and a recording
// made by the fixture tool.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "GpsDataParser.h"
#include "LogCapture.h"
#include "RecordingBoxes.h"
#include "RecordingFiles.h"
#include "RecordingWriter.h"
#include "TestEnv.h"
#include "TripRecord.h"

using namespace recording;

namespace {

const char* const kTag = "GpsDataParser";
const char* const kShortRead = "readBytes != dataSize?";

// The body of an "mvhd" box stating `duration` in units of 1 / `timeScale` s; version 1 (`wide`)
// has 64-bit times and duration.
std::string mvhdStating(uint32_t timeScale, uint64_t duration, bool wide = false) {
    const std::string times = wide ? std::string(16, '\0') : std::string(8, '\0');
    return std::string(1, char(wide)) + std::string(3, '\0') + times + be32(timeScale) +
           (wide ? be64(duration) : be32(uint32_t(duration))) + std::string(80, '\0');
}

// ftyp | [beforeArea] | free { blocks } | moov { mvhd, [moovPrefix], index, [moovSuffix] }
struct FileSpec {
    std::vector<int> tagAt = {0, 0, 0, 0};  // per block; -1: no tag
    int blockSize = 2048;
    std::string beforeArea;
    std::string mvhd = std::string(100, '\0');  // states no duration
    std::string moovPrefix;
    std::string indexType = "gps ";
    int countDelta = 0;  // entry count = entries + countDelta, unless `count` is given
    std::optional<uint32_t> count;
    std::string moovSuffix;
    std::function<void(std::vector<uint32_t>&)> editOffsets;
    // Edits the finished file; the argument is the offset of "moov".
    std::function<void(std::string&, size_t)> editFile;
};

struct Built {
    std::string bytes;
    std::vector<uint32_t> offsets;
};

Built build(const FileSpec& layout) {
    std::vector<TripRecord> trip = makeTrip(int(layout.tagAt.size()));
    std::string head = box("ftyp", "qt  " + be32(0) + "qt  ") + layout.beforeArea;
    Built built;
    std::string blocks;
    for (size_t i = 0; i < trip.size(); ++i) {
        built.offsets.push_back(uint32_t(head.size() + 8 + blocks.size()));
        blocks += gpsBlock(trip[i], layout.tagAt[i], layout.blockSize);
    }
    std::vector<uint32_t> offsets = built.offsets;
    if (layout.editOffsets) layout.editOffsets(offsets);
    const uint32_t count = layout.count.value_or(uint32_t(offsets.size()) + layout.countDelta);
    std::string index =
        gpsIndexBox(offsets, uint32_t(layout.blockSize), int32_t(count), layout.indexType);
    std::string moov =
        box("moov", box("mvhd", layout.mvhd) + layout.moovPrefix + index + layout.moovSuffix);
    built.bytes = head + box("free", blocks);
    size_t moovAt = built.bytes.size();
    built.bytes += moov;
    if (layout.editFile) layout.editFile(built.bytes, moovAt);
    return built;
}

void putBe32(std::string& bytes, size_t at, uint32_t value) { bytes.replace(at, 4, be32(value)); }

void expectSame(const GyroRawInfo& raw, const TripRecord& r) {
    EXPECT_EQ(raw.hour, r.hour);
    EXPECT_EQ(raw.minute, r.minute);
    EXPECT_EQ(raw.second, r.second);
    EXPECT_EQ(raw.year, r.year);
    EXPECT_EQ(raw.month, r.month);
    EXPECT_EQ(raw.day, r.day);
    EXPECT_EQ(std::string(raw.rawChars, 3), std::string(r.chars, 3));
    EXPECT_EQ(raw.latitude, r.latitude);
    EXPECT_EQ(raw.longitude, r.longitude);
    EXPECT_EQ(raw.speed, r.speedKnots);
    EXPECT_EQ(raw.direction, r.heading);
    EXPECT_EQ(raw.gSensorX, r.gX);
    EXPECT_EQ(raw.gSensorY, r.gY);
    EXPECT_EQ(raw.gSensorZ, r.gZ);
}

// The seconds of makeTrip that the parsed records are, in list order.
std::vector<int> secondsOf(const QList<GyroRawInfo>& list) {
    std::vector<TripRecord> trip = makeTrip(100);
    std::vector<int> seconds;
    for (const GyroRawInfo& raw : list) {
        int found = -1;
        for (size_t i = 0; i < trip.size() && found < 0; ++i)
            if (raw.second == trip[i].second && raw.minute == trip[i].minute &&
                raw.latitude == trip[i].latitude)
                found = int(i);
        seconds.push_back(found);
    }
    return seconds;
}

class GpsDataParserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogCapture::install().clear();
        dir = TestEnv::makeDir("gps");
    }

    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }

    static int messages(const char* text) { return LogCapture::install().count(kTag, text); }

    std::string dir;
};

struct WalkCase {
    const char* name;
    FileSpec layout;
    std::vector<int> seconds;  // expected records, by second of the trip
    int shortReads = 0;        // expected "readBytes != dataSize?" lines
};

// Seconds 0 to n - 1.
std::vector<int> upTo(int n) {
    std::vector<int> seconds(size_t(n), 0);
    for (int i = 0; i < n; ++i) seconds[size_t(i)] = i;
    return seconds;
}

std::vector<WalkCase> walkCases() {
    auto layout = [](std::function<void(FileSpec&)> edit) {
        FileSpec s;
        edit(s);
        return s;
    };
    return {
        {"tag at 0", {}, {0, 1, 2, 3}},
        {"tag anywhere in the window",
         layout([](FileSpec& s) {
             s.tagAt = {5, 999, 1936, 77};
         }),
         {0, 1, 2, 3}},
        {"record crossing the 2000-byte window",
         layout([](FileSpec& s) {
             s.tagAt = {0, 1937, 0, 0};
         }),
         {0, 2, 3}},
        {"tag at the last searched place",
         layout([](FileSpec& s) {
             s.tagAt = {1992, 0, 0, 0};
         }),
         {1, 2, 3}},
        {"tag beyond the window",
         layout([](FileSpec& s) {
             s.tagAt = {0, 2001, 0, 0};
             s.blockSize = 2100;
         }),
         {0, 2, 3}},
        {"block without tag: later records move up",
         layout([](FileSpec& s) {
             s.tagAt = {0, -1, 0, 0};
         }),
         {0, 2, 3}},
        {"any fourth type byte", layout([](FileSpec& s) { s.indexType = "gpsX"; }), {0, 1, 2, 3}},
        {"second gps box ignored",
         layout([](FileSpec& s) {
             s.moovSuffix = gpsIndexBox({1000, 2000}, 2048, "gps ");
         }),
         {0, 1, 2, 3}},
        {"count beyond the box", layout([](FileSpec& s) { s.countDelta = 1000; }), {0, 1, 2, 3}},
        {"count below the entries", layout([](FileSpec& s) { s.countDelta = -2; }), {0, 1}},
        {"count zero", layout([](FileSpec& s) { s.countDelta = -4; }), {}},
        // The count is unsigned and bounded by the entries present and by what the recording
        // can hold: a second each of its stated duration, plus a minute.
        {"count from 2^31 with 3 entries",
         layout([](FileSpec& s) {
             s.tagAt = {0, 0, 0};
             s.count = 0x80000003u;
         }),
         {0, 1, 2}},
        {"count 2^32 - 1", layout([](FileSpec& s) { s.count = 0xffffffffu; }), {0, 1, 2, 3}},
        {"a 10 s recording holds 70 records", layout([](FileSpec& s) {
             s.tagAt.assign(100, 0);
             s.mvhd = mvhdStating(600, 6000);
         }),
         upTo(70)},
        {"64-bit duration of 5.5 s", layout([](FileSpec& s) {
             s.tagAt.assign(100, 0);
             s.mvhd = mvhdStating(1000, 5500, true);
         }),
         upTo(66)},
        {"no stated duration: a minute of records",
         layout([](FileSpec& s) { s.tagAt.assign(100, 0); }), upTo(60)},
        {"no time scale: a minute of records", layout([](FileSpec& s) {
             s.tagAt.assign(100, 0);
             s.mvhd = mvhdStating(0, 6000);
         }),
         upTo(60)},
        {"mvhd cut short: a minute of records", layout([](FileSpec& s) {
             s.tagAt.assign(100, 0);
             s.mvhd = mvhdStating(1, 3000).substr(0, 19);
         }),
         upTo(60)},
        // 100000 entries all naming the first block, in a file that claims 2^32 - 1 s.
        {"huge count and duration: a day and a minute", layout([](FileSpec& s) {
             s.count = 0xffffffffu;
             s.mvhd = mvhdStating(1, 0xffffffffu);
             s.editOffsets = [](std::vector<uint32_t>& o) { o.assign(100000, o[0]); };
         }),
         std::vector<int>(24 * 3600 + 60, 0)},
        {"offset past the end",
         layout([](FileSpec& s) {
             s.editOffsets = [](std::vector<uint32_t>& o) { o[1] = 0x7fff0000; };
         }),
         {0, 2, 3}},
        {"offset from 2 GiB",
         layout([](FileSpec& s) {
             s.editOffsets = [](std::vector<uint32_t>& o) { o[2] = 0x80000010; };
         }),
         {0, 1, 3}},
        {"child size zero", layout([](FileSpec& s) { s.moovPrefix = boxHeader("udta", 0); }), {}},
        {"child size below its header",
         layout([](FileSpec& s) { s.moovPrefix = boxHeader("udta", 7); }),
         {}},
        {"child beyond moov",
         layout([](FileSpec& s) { s.moovPrefix = boxHeader("trak", 0x100000); }),
         {}},
        // Its count is the next header's type; entries run on to the end of moov, the first
        // (offset 0) finding the block at the start of the file.
        {"index box beyond moov",
         layout([](FileSpec& s) { s.moovPrefix = boxHeader("gps ", 0x7fffffff); }),
         {0, 0, 1, 2, 3}},
        {"index box size short of its entries",
         layout([](FileSpec& s) {
             s.editFile = [](std::string& f, size_t moov) {
                 putBe32(f, f.find("gps ", moov) - 4, 16 + 2 * 8);
             };
         }),
         {0, 1, 2, 3}},
        {"top-level size zero",
         layout([](FileSpec& s) { s.beforeArea = boxHeader("junk", 0); }),
         {}},
        {"top-level size below its header",
         layout([](FileSpec& s) { s.beforeArea = boxHeader("junk", 7); }),
         {}},
        {"large size below its header",
         layout([](FileSpec& s) { s.beforeArea = boxHeader("junk", 1) + be64(15); }),
         {}},
        {"64-bit box stepped over",
         layout([](FileSpec& s) { s.beforeArea = largeBox("wide", std::string(1000, 'w')); }),
         {0, 1, 2, 3}},
        {"top-level box beyond the file",
         layout([](FileSpec& s) { s.beforeArea = boxHeader("mdat", 0xffffff00); }),
         {}},
        {"large box beyond the file",
         layout([](FileSpec& s) { s.beforeArea = boxHeader("mdat", 1) + be64(~0ull); }),
         {}},
        {"moov body of 150000 bytes",
         layout([](FileSpec& s) { s.moovPrefix = box("udta", std::string(150000 - 116, 'u')); }),
         {0, 1, 2, 3}},
        {"moov claiming more than the file, index complete",
         layout([](FileSpec& s) {
             s.editFile = [](std::string& f, size_t moov) { putBe32(f, moov, 0xfffffff0); };
         }),
         {0, 1, 2, 3},
         1},
        {"moov cut inside the index: the entries read are used",
         layout([](FileSpec& s) {
             s.editFile = [](std::string& f, size_t) { f.resize(f.size() - 12); };
         }),
         {0, 1},
         1},
        {"moov size below its header",
         layout([](FileSpec& s) {
             s.editFile = [](std::string& f, size_t moov) { putBe32(f, moov, 4); };
         }),
         {}},
        {"no moov",
         layout([](FileSpec& s) {
             s.editFile = [](std::string& f, size_t moov) { f[moov + 7] = 'x'; };
         }),
         {}},
    };
}

TEST_F(GpsDataParserTest, BlockAndWalkCases) {
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.name);
        LogCapture::install().clear();
        std::string path = write("case.mov", build(c.layout).bytes);
        GpsDataParser parser;
        EXPECT_EQ(parser.parse(QString::fromStdString(path)), 0);
        EXPECT_EQ(secondsOf(parser.gyroRawInfoList), c.seconds);
        EXPECT_EQ(messages(kShortRead), c.shortReads);
    }
}

TEST_F(GpsDataParserTest, RecordsComeBackWhole) {
    std::string path = write("whole.mov", build(FileSpec()).bytes);
    GpsDataParser parser;
    ASSERT_EQ(parser.parse(QString::fromStdString(path)), 0);
    std::vector<TripRecord> trip = makeTrip(4);
    ASSERT_EQ(parser.gyroRawInfoList.size(), 4);
    for (int i = 0; i < 4; ++i) expectSame(parser.gyroRawInfoList[i], trip[size_t(i)]);
}

TEST_F(GpsDataParserTest, MissingFile) {
    GpsDataParser parser;
    EXPECT_EQ(parser.parse(QString::fromStdString(dir + "/missing.MOV")), -30);
    EXPECT_TRUE(parser.gyroRawInfoList.isEmpty());
    EXPECT_EQ(messages("Can not open file?"), 1);
}

// A path that is not a regular file is refused without opening it: a named pipe without a
// writer would block the caller for ever.
TEST_F(GpsDataParserTest, OnlyRegularFilesAreOpened) {
    const std::string fifo = dir + "/pipe.MOV";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir}) {
        SCOPED_TRACE(path);
        LogCapture::install().clear();
        std::packaged_task<int()> task([path] {
            GpsDataParser parser;
            return parser.parse(QString::fromStdString(path));
        });
        std::future<int> result = task.get_future();
        std::thread worker(std::move(task));
        const bool finished =
            result.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!finished) {
            // Let the blocked open return so that the test can end.
            int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
        }
        worker.join();
        ASSERT_TRUE(finished);
        EXPECT_EQ(result.get(), -30);
        EXPECT_EQ(messages("Can not open file?"), 1);
    }
}

TEST_F(GpsDataParserTest, BrokenFilesGiveNoRecords) {
    std::string empty = write("empty.MOV", "");
    std::string random = dir + "/random.MOV";
    ASSERT_TRUE(writeRandom(random, 100000, 42));
    for (const std::string& path : {empty, random}) {
        SCOPED_TRACE(path);
        GpsDataParser parser;
        EXPECT_EQ(parser.parse(QString::fromStdString(path)), 0);
        EXPECT_TRUE(parser.gyroRawInfoList.isEmpty());
    }
}

TEST(RecordingBlocks, CarryTheTagAsCamerasWriteIt) {
    const std::string block = gpsBlockBox(makeTrip(1)[0], 96);
    EXPECT_EQ(block.substr(4, 8), "freeGPS ");
    EXPECT_EQ(block.substr(12, 4), std::string(4, '\0'));
    EXPECT_EQ(block.substr(16, TripRecord::kSize), makeTrip(1)[0].encode());
}

// Media of gigabytes before "moov", written as a sparse file.
class SparseFileTest : public GpsDataParserTest {
  protected:
    // ftyp | [blocks before] | mdat of `media` bytes | [blocks after] | moov
    std::string writeSparseRecording(long long media, bool blocksAfterMedia, int seconds) {
        std::vector<TripRecord> trip = makeTrip(seconds);
        std::string ftyp = box("ftyp", "qt  " + be32(0) + "qt  ");
        long long mdatAt =
            blocksAfterMedia ? (long long)ftyp.size() : (long long)ftyp.size() + 4096LL * seconds;
        long long blocksAt = blocksAfterMedia ? mdatAt + media : (long long)ftyp.size();
        std::string blocks;
        std::vector<uint32_t> offsets;
        for (const TripRecord& r : trip) {
            offsets.push_back(uint32_t(blocksAt + (long long)blocks.size()));
            blocks += gpsBlockBox(r, 4096);
        }
        std::string moov =
            box("moov", box("mvhd", std::string(100, '\0')) + gpsIndexBox(offsets, 4096));
        long long moovAt = blocksAfterMedia ? blocksAt + (long long)blocks.size() : mdatAt + media;
        std::string path = dir + "/sparse.MOV";
        std::vector<Piece> pieces = {{0, ftyp},
                                     {blocksAt, blocks},
                                     {mdatAt, boxHeader("mdat", 1) + be64(uint64_t(media))},
                                     {moovAt, moov}};
        EXPECT_TRUE(writeSparse(path, moovAt + (long long)moov.size(), pieces));
        return path;
    }
};

TEST_F(SparseFileTest, GigabytesOfMediaBeforeMoovAreSeekedPast) {
    std::string path = writeSparseRecording(3LL << 30, false, 5);
    GpsDataParser parser;
    ASSERT_EQ(parser.parse(QString::fromStdString(path)), 0);
    EXPECT_EQ(secondsOf(parser.gyroRawInfoList), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(messages(kShortRead), 0);
}

TEST_F(SparseFileTest, BlocksFrom2GiBAreOutOfReach) {
    std::string path = writeSparseRecording(5LL << 29, true, 3);
    GpsDataParser parser;
    ASSERT_EQ(parser.parse(QString::fromStdString(path)), 0);
    EXPECT_TRUE(parser.gyroRawInfoList.isEmpty());
}

TEST_F(SparseFileTest, GigabyteMoovIsRefusedWithoutAllocating) {
    // A "moov" that really spans 3 GiB of the file: refused, never allocated.
    std::string path = dir + "/bigmoov.MOV";
    std::string ftyp = box("ftyp", "qt  " + be32(0) + "qt  ");
    ASSERT_TRUE(writeSparse(path, (long long)ftyp.size() + 0xc0000000LL,
                            {{0, ftyp}, {(long long)ftyp.size(), boxHeader("moov", 0xc0000000u)}}));
    GpsDataParser parser;
    EXPECT_EQ(parser.parse(QString::fromStdString(path)), 0);
    EXPECT_TRUE(parser.gyroRawInfoList.isEmpty());
    EXPECT_EQ(messages(kShortRead), 0);
}

TEST_F(GpsDataParserTest, RavlixMarkBeforeTheIndex) {
    FileSpec marked;
    marked.moovPrefix = box("free", "Ravlix" + std::string(20, '\0'));
    FileSpec far = marked;
    far.moovPrefix = box("free", "Ravlix" + std::string(30, '\0'));
    struct {
        const char* name;
        FileSpec layout;
        bool expected;
    } cases[] = {{"mark 26 bytes before", marked, true},
                 {"mark 36 bytes before", far, false},
                 {"no mark", FileSpec(), false}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = write("mark.mov", build(c.layout).bytes);
        GpsDataParser parser;
        EXPECT_EQ(parser.checkIsRavlixFile(QString::fromStdString(path)), c.expected);
    }
    GpsDataParser parser;
    EXPECT_FALSE(parser.checkIsRavlixFile(QString::fromStdString(dir + "/missing.MOV")));
}

TEST_F(GpsDataParserTest, GeneratedRecordingRecordsInIndexOrder) {
    std::string path = dir + "/REC.MOV";
    ClipOptions options;
    options.width = options.height = 160;
    options.seconds = 4;
    std::string error;
    ASSERT_TRUE(writeRecording(path, options, &error)) << error;
    GpsDataParser parser;
    ASSERT_EQ(parser.parse(QString::fromStdString(path)), 0);
    std::vector<TripRecord> trip = makeTrip(4);
    ASSERT_EQ(parser.gyroRawInfoList.size(), 4);
    for (int i = 0; i < 4; ++i) expectSame(parser.gyroRawInfoList[i], trip[size_t(i)]);
    EXPECT_TRUE(LogCapture::install().lines().empty());
}

}  // namespace
