// The media utilities with the real tool beside the test, the probes and the in-process
// re-compression.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QString>

#include "AudioTestMedia.h"
#include "FFMpegBasicSupport.h"
#include "FFMpegUtil.h"
#include "H264Fixtures.h"
#include "TestEnv.h"

using namespace AudioTestMedia;

namespace {

class FFMpegUtilTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = TestEnv::makeDir("util");
        clearLog();
    }
    std::string at(const std::string& name) const { return dir + "/" + name; }
    static QString q(const std::string& s) { return QString::fromStdString(s); }
    // Files left in the working folder besides the given ones.
    QStringList entries() const {
        return QDir(q(dir)).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    std::string dir;
};

TEST_F(FFMpegUtilTest, ExtractionNeedsASoundTrack) {
    const std::string withSound = clip(at("sound.mp4"), 2, true);
    const std::string silent = clip(at("silent.mp4"), 2, false);
    const std::string out = at("out.m4a");
    EXPECT_EQ(0, FFMpegUtil::extractAudioFromVideo(q(withSound), q(out), -1, -1, 1.0));
    EXPECT_EQ("aac", streamFacts(out, "audio").codec);
    EXPECT_NEAR(2.0, streamFacts(out, "audio").seconds, 0.1);
    EXPECT_EQ(-3, FFMpegUtil::extractAudioFromVideo(q(silent), q(at("none.m4a")), -1, -1, 1.0));
}

TEST_F(FFMpegUtilTest, LengthProbes) {
    const std::string withSound = clip(at("sound.mp4"), 2, true);
    const std::string silent = clip(at("silent.mp4"), 1, false);
    const std::string garbage = at("garbage.mp4");
    {
        FILE* f = fopen(garbage.c_str(), "wb");
        fputs("garbage", f);
        fclose(f);
    }
    const struct {
        std::string path;
        double video, audio;
    } cases[] = {
        {withSound, 2, 2}, {silent, 1, 0}, {garbage, 0, 0}, {at("absent.mp4"), 0, 0}, {"", 0, 0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(c.video, FFMpegUtil::getVideoLength(q(c.path)), 0.05) << c.path;
        EXPECT_NEAR(c.audio, FFMpegUtil::getAudioLength(q(c.path)), 0.05) << c.path;
        EXPECT_NEAR(c.video, FFMpegBasicSupport::getVideoDuration(c.path.c_str()), 0.05);
        EXPECT_NEAR(c.audio, FFMpegBasicSupport::getAudioDuration(c.path.c_str()), 0.05);
        EXPECT_NEAR(c.video > 0 ? 25 : 0, FFMpegBasicSupport::getVideoFps(c.path.c_str()), 0.01);
    }
    EXPECT_EQ(0, FFMpegBasicSupport::getAudioDuration(nullptr));
}

// Rewrites `path` so that its first track states `seconds` in its "mdhd" (at most the field's
// largest value), with samples long enough to fill that and no edit list to cut it short.
bool stateFirstTrackSeconds(const std::string& path, double seconds) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadWrite)) return false;
    QByteArray bytes = file.readAll();
    auto be32At = [&bytes](int at) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | uint8_t(bytes[at + i]);
        return value;
    };
    auto putBe32 = [&bytes](int at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (24 - 8 * i));
    };
    const int mdhd = bytes.indexOf("mdhd");
    const int stts = bytes.indexOf("stts");
    const int edts = bytes.indexOf("edts");
    if (mdhd < 0 || stts < 0) return false;
    const double units = seconds * be32At(mdhd + 16);
    putBe32(mdhd + 20, units >= 4294967295.0 ? 0xffffffffu : uint32_t(units));
    for (uint32_t entry = 0; entry < be32At(stts + 8); ++entry)
        putBe32(stts + 16 + 8 * int(entry), 0x7fffffffu);
    if (edts >= 0) bytes.replace(edts, 4, "free");
    return file.seek(0) && file.write(bytes) == bytes.size();
}

// Ten frames of 16000 x 16000 pixels (a few hundred bytes each) at 25 a second in MP4; "" on
// failure. The tool muxes them without sizing a picture.
std::string hugePictureClip(const std::string& path) {
    const std::string raw = path + ".h264";
    QFile file(QString::fromStdString(raw));
    if (!file.open(QIODevice::WriteOnly)) return "";
    const QByteArray picture = h264PictureOfMacroblocks(1000);
    for (int i = 0; i < 10; ++i)
        if (file.write(picture) != picture.size()) return "";
    file.close();
    return make(path, {"-max_pixels", "1024", "-framerate", "25", "-i", QString::fromStdString(raw),
                       "-c", "copy"});
}

// Runs `probe` in a child process: its answer, and how far the child's address space grew
// beyond its size at the start (bytes); a negative growth when the child failed.
std::pair<double, long long> probeInChild(const std::function<double()>& probe) {
    const auto statusKb = [](const char* key) {
        FILE* status = std::fopen("/proc/self/status", "r");
        long long kb = -1;
        char line[256];
        while (status && std::fgets(line, sizeof line, status))
            if (std::sscanf(line, key, &kb) == 1) break;
        if (status) std::fclose(status);
        return kb;
    };
    int ends[2];
    if (pipe(ends) != 0) return {0, -1};
    const pid_t child = fork();
    if (child == 0) {
        const long long start = statusKb("VmSize: %lld kB");
        const double answer = probe();
        const long long grown = (statusKb("VmPeak: %lld kB") - start) * 1024;
        const std::pair<double, long long> report{answer, grown};
        const bool sent = write(ends[1], &report, sizeof report) == sizeof report;
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    std::pair<double, long long> report{0, -1};
    if (child < 0 || read(ends[0], &report, sizeof report) != sizeof report) report = {0, -1};
    close(ends[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return report;
}

// The length probes of a file whose pictures claim 16000 x 16000 pixels read the length its
// container states without sizing a picture (an unbounded probe decoder takes some 650 MB);
// the decoders refuse the file later, as broken.
TEST_F(FFMpegUtilTest, ProbesOfAHugePictureAnswerWithoutSizingIt) {
    const std::string path = hugePictureClip(at("huge.mp4"));
    ASSERT_FALSE(path.empty());
    const QString qPath = q(path);
    const struct {
        const char* name;
        std::function<double()> probe;
        double answer;
    } probes[] = {
        {"video length", [&] { return FFMpegUtil::getVideoLength(qPath); }, 0.4},
        {"audio length", [&] { return FFMpegUtil::getAudioLength(qPath); }, 0},
        {"video duration", [&] { return FFMpegBasicSupport::getVideoDuration(path.c_str()); }, 0.4},
        {"frame rate", [&] { return FFMpegBasicSupport::getVideoFps(path.c_str()); }, 25},
        {"audio input",
         [&] {
             ffh::InputFormatPtr input;
             return double(
                 FFMpegBasicSupport::openInputFile4Audio(path.c_str(), input, nullptr, nullptr));
         },
         double(AVERROR_STREAM_NOT_FOUND)},
    };
    constexpr long long kSmall = 200ll << 20;
    for (const auto& p : probes) {
        const auto [answer, grown] = probeInChild(p.probe);
        EXPECT_NEAR(p.answer, answer, 0.01) << p.name;
        EXPECT_GE(grown, 0) << p.name;
        EXPECT_LT(grown, kSmall) << p.name;
    }
}

// A stated length beyond a day is read as a day; up to it, as stated.
TEST_F(FFMpegUtilTest, LengthsStopAtADay) {
    const std::string source = clip(at("source.mp4"), 1, false);
    const struct {
        double stated, read;
    } cases[] = {{86399, 86399}, {86400, 86400}, {86401, 86400}, {1e12, 86400}};
    for (const auto& c : cases) {
        const std::string path = at("stated.mp4");
        QFile::remove(q(path));
        ASSERT_TRUE(QFile::copy(q(source), q(path)));
        ASSERT_TRUE(stateFirstTrackSeconds(path, c.stated));
        EXPECT_EQ(c.read, FFMpegUtil::getVideoLength(q(path))) << c.stated;
    }
}

TEST_F(FFMpegUtilTest, CompressWithoutSoundLeavesOnlyTheVideo) {
    const std::string src = clip(at("silent.mp4"), 1, false);
    const std::string dst = at("small.mp4");
    ASSERT_TRUE(FFMpegUtil::compress(q(src), q(dst), 200000, 80, 60));
    EXPECT_EQ((std::vector<std::string>{"video"}), streamKinds(dst));
    EXPECT_NEAR(1.0, streamFacts(dst, "video").seconds, 0.1);
    EXPECT_EQ((QStringList{"silent.mp4", "small.mp4"}), entries());
}

TEST_F(FFMpegUtilTest, CompressKeepsTheSound) {
    const std::string src = clip(at("sound.mp4"), 2, true);
    const std::string dst = at("small.mp4");
    // At the source size when the bit rate drops enough, then scaled.
    ASSERT_TRUE(FFMpegUtil::compress(q(src), q(dst), 5000, -1, -1));
    EXPECT_EQ((std::vector<std::string>{"video", "audio"}), streamKinds(dst));
    ASSERT_TRUE(FFMpegUtil::compress(q(src), q(dst), 200000, 80, 60));
    EXPECT_EQ((std::vector<std::string>{"video", "audio"}), streamKinds(dst));
    EXPECT_NEAR(2.0, streamFacts(dst, "audio").seconds, 0.1);
    EXPECT_EQ((QStringList{"small.mp4", "sound.mp4"}), entries());
}

TEST_F(FFMpegUtilTest, CompressReportsEveryFailure) {
    const std::string silent = clip(at("silent.mp4"), 1, false);
    const std::string sound = clip(at("sound.mp4"), 1, true);
    // A folder where the result should go: the last step cannot write it.
    ASSERT_TRUE(QDir(q(dir)).mkdir("taken.mp4"));
    const struct {
        std::string src, dst;
        int bitRate, width, height;
    } cases[] = {
        {silent, at("a.mp4"), 0, 80, 60},
        {silent, at("a.mp4"), -5, 80, 60},
        {silent, at("a.mp4"), 1000000000, -1, -1},
        {at("absent.mp4"), at("a.mp4"), 200000, 80, 60},
        {silent, at("no/dir/a.mp4"), 200000, 80, 60},
        {silent, at("taken.mp4"), 200000, 80, 60},
        {sound, at("taken.mp4"), 200000, 80, 60},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(FFMpegUtil::compress(q(c.src), q(c.dst), c.bitRate, c.width, c.height))
            << c.src << " " << c.dst << " " << c.bitRate;
    EXPECT_TRUE(logHas("FFMpegUtil: return since bitRate diff too small"));
    EXPECT_TRUE(logHas("FFMpegUtil: compress: bit rate 0 refused"));
    // The last two failed only after the whole video was encoded.
    EXPECT_TRUE(logHas("compress: can not move the video to"));
    EXPECT_TRUE(logHas("ffmpegAVMuxer: Could not open output file"));
    EXPECT_EQ((QStringList{"silent.mp4", "sound.mp4", "taken.mp4"}), entries());
}

TEST_F(FFMpegUtilTest, CompressV2ThroughTheTool) {
    const std::string src = clip(at("sound.mp4"), 1, true);
    const std::string dst = at("v2.mp4");
    ASSERT_TRUE(FFMpegUtil::compressV2(q(src), q(dst), 300000, 80, 60));
    EXPECT_EQ((std::vector<std::string>{"video", "audio"}), streamKinds(dst));
    EXPECT_FALSE(FFMpegUtil::compressV2(q(at("absent.mp4")), q(at("x.mp4")), 300000, 0, 0));
}

}  // namespace
