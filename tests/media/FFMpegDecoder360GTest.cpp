#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DecodeTestSupport.h"
#include "FFMpegDecoder360G.h"
#include "TestEnv.h"

namespace {

struct Clips {
    std::string dir;
    std::string plain;      // 320x240, 30 fps, 60 frames, B-frames, "comment" tag
    std::string coarse;     // the same with one stream tick per frame (time base 1/30)
    std::string withAudio;  // the same with 2 s of sound
    std::string odd;        // 1001x501, 15 frames
    std::string late;       // first frame at 0.5 s
    std::string audioOnly;
    std::string text;  // a text file named .mov
};

const Clips& clips() {
    static const Clips made = [] {
        Clips c;
        c.dir = TestEnv::makeDir("dec360");
        const std::vector<std::string> x264 = {"-c:v",    "libx264", "-pix_fmt",
                                               "yuv420p", "-g",      "12"};
        std::vector<std::string> tagged = x264;
        tagged.insert(tagged.end(), {"-metadata", "comment=hello 360"});
        c.plain = DecodeTest::makeClip(c.dir, "plain.mp4", "320x240", 30, 2.0, tagged);
        std::vector<std::string> coarse = x264;
        coarse.insert(coarse.end(), {"-video_track_timescale", "30"});
        c.coarse = DecodeTest::makeClip(c.dir, "coarse.mp4", "320x240", 30, 2.0, coarse);
        std::vector<std::string> sound = {"-c:a", "aac"};
        sound.insert(sound.end(), x264.begin(), x264.end());
        c.withAudio = DecodeTest::makeClip(c.dir, "sound.mp4", "320x240", 30, 2.0, sound,
                                           {"-f", "lavfi", "-i", "sine=frequency=440:duration=2"});
        c.odd = DecodeTest::makeClip(c.dir, "odd.mkv", "1001x501", 30, 0.5,
                                     {"-c:v", "ffv1", "-pix_fmt", "yuv420p"});
        std::vector<std::string> late = {"-output_ts_offset", "0.5"};
        late.insert(late.end(), x264.begin(), x264.end());
        c.late = DecodeTest::makeClip(c.dir, "late.mkv", "160x120", 30, 0.4, late);
        c.audioOnly = DecodeTest::makeAudioOnly(c.dir);
        c.text = DecodeTest::makeTextMovie(c.dir);
        return c;
    }();
    return made;
}

// Frees a delivered cell the way the callers do.
struct CellFree {
    void operator()(AVFrame** cell) const {
        av_frame_unref(*cell);
        av_frame_free(cell);
        delete cell;
    }
};
using Cell = std::unique_ptr<AVFrame*, CellFree>;

// Index of the next frame, -2 for no frame; checks the frame's layout.
int readIndex(FFMpegDecoder360G& dec) {
    Cell cell(dec.readNextVideoFrame());
    if (!cell) return -2;
    const AVFrame* f = *cell;
    EXPECT_EQ(f->format, AV_PIX_FMT_BGRA);
    EXPECT_EQ(f->width, dec.getVideoWidth());
    EXPECT_EQ(f->height, dec.getVideoHeight());
    EXPECT_EQ(f->linesize[0], f->width * 4);
    return DecodeTest::frameIndex(f->data[0], f->width, f->height);
}

std::unique_ptr<FFMpegDecoder360G> openClip(const std::string& path, int threads = 1) {
    auto dec = std::make_unique<FFMpegDecoder360G>();
    dec->setDecodeThreads(threads);
    EXPECT_EQ(dec->initWithFilePath(path.c_str()), 0) << path;
    return dec;
}

TEST(FFMpegDecoder360G, OpenFailuresGiveTheirCodesAndLogLines) {
    LogCapture& log = DecodeTest::captureLog();
    for (const DecodeTest::OpenFailure& c :
         DecodeTest::openFailures(clips().dir, clips().text, clips().audioOnly)) {
        log.clear();
        FFMpegDecoder360G dec;
        EXPECT_EQ(dec.initWithFilePath(c.path.c_str()), c.code) << c.path;
        EXPECT_TRUE(log.contains("FFMDec360G", c.line)) << c.line;
        EXPECT_EQ(dec.seekTo(1.0), -10001);
        EXPECT_EQ(dec.readNextVideoFrame(), nullptr);
        EXPECT_EQ(dec.getVideoWidth(), 0);
    }
}

// Cut files either fail to open (-3: the stream info ends before a pixel
// format) or read a bounded run of frames to the end.
TEST(FFMpegDecoder360G, TruncatedFilesEndCleanly) {
    const std::string* sources[] = {&clips().plain, &clips().odd, &clips().late};
    for (const std::string* source : sources) {
        FILE* in = fopen(source->c_str(), "rb");
        ASSERT_TRUE(in);
        std::vector<char> bytes(1 << 22);
        bytes.resize(fread(bytes.data(), 1, bytes.size(), in));
        fclose(in);
        for (double share : {0.02, 0.5, 0.9}) {
            const std::string cut = clips().dir + "/cut" + std::to_string(int(share * 100)) +
                                    source->substr(source->rfind('.'));
            FILE* out = fopen(cut.c_str(), "wb");
            fwrite(bytes.data(), 1, static_cast<size_t>(bytes.size() * share), out);
            fclose(out);
            FFMpegDecoder360G dec;
            const int result = dec.initWithFilePath(cut.c_str());
            EXPECT_TRUE(result == 0 || result == -2 || result == -3) << cut << ": " << result;
            if (result == -3) {
                EXPECT_EQ(dec.seekTo(0.1), -10001);
                EXPECT_GT(dec.getVideoWidth(), 0);
            }
            int frames = 0;
            while (result == 0 && frames <= 60 && readIndex(dec) != -2) ++frames;
            EXPECT_LE(frames, 60) << cut;
            EXPECT_EQ(dec.readNextVideoFrame(), nullptr);
        }
    }
}

TEST(FFMpegDecoder360G, NothingWorksBeforeOpening) {
    FFMpegDecoder360G dec;
    const char* value = nullptr;
    EXPECT_EQ(dec.seekTo(0.5), -10001);
    EXPECT_EQ(dec.readNextVideoFrame(), nullptr);
    EXPECT_EQ(dec.getMetadataEntry("comment", &value), -10001);
    EXPECT_EQ(dec.getTotalVideoFrames(), 0);
}

TEST(FFMpegDecoder360G, ReadsEveryFrameInOrderThenNone) {
    auto dec = openClip(clips().plain);
    EXPECT_EQ(dec->getVideoWidth(), 320);
    EXPECT_EQ(dec->getVideoHeight(), 240);
    EXPECT_EQ(dec->getTotalVideoFrames(), 60);
    EXPECT_NEAR(dec->getVideoDuration(), 2.0, 0.04);
    EXPECT_EQ(dec->getAudioDuration(), 0.0);
    for (int i = 0; i < 60; ++i) ASSERT_EQ(readIndex(*dec), i);
    EXPECT_EQ(readIndex(*dec), -2);
    EXPECT_EQ(readIndex(*dec), -2);
}

TEST(FFMpegDecoder360G, OddWidthFramesHavePackedRows) {
    auto dec = openClip(clips().odd);
    EXPECT_EQ(dec->getVideoWidth(), 1001);
    for (int i = 0; i < 15; ++i) ASSERT_EQ(readIndex(*dec), i);
    EXPECT_EQ(readIndex(*dec), -2);
}

// The scaler's fast path once left the row ends of such widths unwritten.
TEST(FFMpegDecoder360G, RowEndsAreConvertedForEveryWidthRemainder) {
    const std::string dir = TestEnv::makeDir("dec360-widths");
    for (int width : {18, 23, 34, 50, 1010}) {
        const std::string clip =
            DecodeTest::makeClip(dir, std::to_string(width) + ".mkv", std::to_string(width) + "x8",
                                 30, 0.1, {"-vf", "negate", "-c:v", "ffv1", "-pix_fmt", "yuv420p"});
        auto dec = openClip(clip);
        Cell cell(dec->readNextVideoFrame());
        ASSERT_TRUE(cell) << width;
        const AVFrame* f = *cell;
        for (int y = 0; y < f->height; ++y) {
            const uint8_t* row = f->data[0] + y * f->linesize[0];
            const uint8_t* last = row + (width - 1) * 4;
            EXPECT_GT(row[1], 200) << width;
            EXPECT_EQ(std::vector<uint8_t>(row, row + 4), std::vector<uint8_t>(last, last + 4))
                << "width " << width << " row " << y;
        }
    }
}

TEST(FFMpegDecoder360G, ReportsAudioDuration) {
    auto dec = openClip(clips().withAudio);
    EXPECT_NEAR(dec->getAudioDuration(), 2.0, 0.1);
    EXPECT_NEAR(dec->getVideoDuration(), 2.0, 0.04);
}

TEST(FFMpegDecoder360G, MetadataEntriesByPrefixIgnoringCase) {
    auto dec = openClip(clips().plain);
    const char* value = nullptr;
    ASSERT_EQ(dec->getMetadataEntry("comment", &value), 0);
    EXPECT_STREQ(value, "hello 360");
    value = nullptr;
    ASSERT_EQ(dec->getMetadataEntry("COMM", &value), 0);
    EXPECT_STREQ(value, "hello 360");
    EXPECT_EQ(dec->getMetadataEntry("no-such-key", &value), -7);
}

// Frame i of the 30 fps clip is shown from i/30 s to (i+1)/30 s.
class Seek360GTest : public testing::TestWithParam<int> {};

TEST_P(Seek360GTest, ExactFrameTimesGiveThatFrame) {
    for (const std::string* clip : {&clips().plain, &clips().coarse}) {
        auto dec = openClip(*clip, GetParam());
        for (int i = 1; i < 60; ++i) {
            ASSERT_EQ(dec->seekTo(i / 30.0), 0);
            ASSERT_EQ(readIndex(*dec), i) << *clip << ": seek to frame " << i;
            ASSERT_EQ(readIndex(*dec), i + 1 < 60 ? i + 1 : -2);
        }
    }
}

TEST_P(Seek360GTest, SeekTable) {
    struct Case {
        const char* what;
        int readsBefore;  // frames read before the seek (99: to the end)
        double seconds;
        std::vector<int> expected;  // indices read after it, -2 for none
    };
    const Case cases[] = {
        {"between frames", 0, 10.5 / 30, {10, 11}},
        {"just before a frame", 0, 20.0 / 30 - 0.001, {19, 20}},
        {"zero rewinds", 5, 0.0, {0, 1}},
        {"beyond the end", 0, 5.0, {59, -2}},
        {"backward after 40 reads", 40, 12.0 / 30, {12, 13}},
        {"forward after 40 reads", 40, 50.0 / 30, {50, 51}},
        {"after the end", 99, 1.0, {30, 31}},
        {"beyond the end after the end", 99, 3.0, {59, -2}},
        {"last frame", 0, 59.0 / 30, {59, -2}},
        {"just before frame 15", 0, 0.49, {14, 15}},
        {"half way into frame 37", 0, 1.25, {37, 38}},
        {"just before a key frame", 0, 11.9 / 30, {11, 12}},
    };
    for (const std::string* clip : {&clips().plain, &clips().coarse}) {
        for (const Case& c : cases) {
            auto dec = openClip(*clip, GetParam());
            for (int i = 0; i < c.readsBefore && readIndex(*dec) != -2; ++i) {
            }
            ASSERT_EQ(dec->seekTo(c.seconds), 0) << c.what;
            for (int want : c.expected) EXPECT_EQ(readIndex(*dec), want) << *clip << ": " << c.what;
        }
    }
}

TEST_P(Seek360GTest, TargetBeforeTheFirstFrameGivesNoFrame) {
    auto dec = openClip(clips().late, GetParam());
    ASSERT_EQ(dec->seekTo(0.2), 0);
    EXPECT_EQ(dec->readNextVideoFrame(), nullptr);
    EXPECT_EQ(readIndex(*dec), 0);
    ASSERT_EQ(dec->seekTo(0.5 + 3.0 / 30), 0);
    EXPECT_EQ(readIndex(*dec), 3);
}

INSTANTIATE_TEST_SUITE_P(Threads, Seek360GTest, testing::Values(1, 0),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == 1 ? std::string("OneThread")
                                                    : std::string("FrameThreads");
                         });

}  // namespace
