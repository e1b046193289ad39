#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QFile>

#include "DecodeTestSupport.h"
#include "FFMpegVSrcFrame.h"
#include "FFMpegVideoDecoder.h"
#include "MovieFixtures.h"
#include "TestEnv.h"

namespace {

struct Clips {
    std::string dir;
    std::string plain;  // 320x240, 30 fps, 60 frames
    std::string big;    // 2016x2016, 6 frames
    std::string odd;    // 1001x501 YUV 4:2:0, 15 frames
    std::string hd;     // 1920x1080, 3 frames
    std::string audioOnly;
    std::string text;
};

const Clips& clips() {
    static const Clips made = [] {
        Clips c;
        c.dir = TestEnv::makeDir("vdec");
        const std::vector<std::string> x264 = {"-c:v",    "libx264", "-pix_fmt",
                                               "yuv420p", "-g",      "12"};
        c.plain = DecodeTest::makeClip(c.dir, "plain.mp4", "320x240", 30, 2.0, x264);
        std::vector<std::string> up = {
            "-vf", DecodeTest::indexFilter() + ",scale=2016:2016:flags=neighbor"};
        up.insert(up.end(), x264.begin(), x264.end());
        c.big = DecodeTest::makeClip(c.dir, "big.mp4", "252x252", 30, 0.2, up);
        c.odd = DecodeTest::makeClip(c.dir, "odd.mkv", "1001x501", 30, 0.5,
                                     {"-c:v", "ffv1", "-pix_fmt", "yuv420p"});
        c.hd = DecodeTest::makeClip(c.dir, "hd.mp4", "1920x1080", 30, 0.1, x264);
        c.audioOnly = DecodeTest::makeAudioOnly(c.dir);
        c.text = DecodeTest::makeTextMovie(c.dir);
        return c;
    }();
    return made;
}

struct Read {
    int index = -2;  // -2: no frame
    double secs = -1;
};

// The next BGRA frame's index and time; checks its size and packed rows.
Read readBgra(FFMpegVideoDecoder& dec, int width, int height) {
    std::unique_ptr<VideoSrcFrame> frame(dec.readNextVideoFrame());
    if (!frame) return {};
    const AVFrame* f = static_cast<FFMpegVSrcFrame*>(frame.get())->frame();
    EXPECT_EQ(f->width, width);
    EXPECT_EQ(f->height, height);
    EXPECT_EQ(f->linesize[0], width * 4);
    EXPECT_EQ(frame->getDatePtr(), f->data[0]);
    return {DecodeTest::frameIndex(frame->getDatePtr(), width, height), frame->getFrameSecs()};
}

TEST(FFMpegVideoDecoder, OpenFailuresGiveTheirCodesAndLogLines) {
    LogCapture& log = DecodeTest::captureLog();
    for (const DecodeTest::OpenFailure& c :
         DecodeTest::openFailures(clips().dir, clips().text, clips().audioOnly)) {
        log.clear();
        FFMpegVideoDecoder dec(true, false);
        EXPECT_EQ(dec.initWithFilePath(c.path.c_str(), 0, 0), c.code) << c.path;
        EXPECT_TRUE(log.contains("ffmpegVDec", c.line)) << c.line;
        EXPECT_EQ(dec.seekTo(1.0), -10001);
        EXPECT_EQ(dec.readNextVideoFrame(), nullptr);
    }
}

TEST(FFMpegVideoDecoder, ReadsBgraFramesWithTimesThenNone) {
    FFMpegVideoDecoder dec(true, false);
    ASSERT_EQ(dec.initWithFilePath(clips().plain.c_str(), -1, -1), 0);
    EXPECT_EQ(dec.getFrameRate(), 30.0);
    EXPECT_GT(dec.getBitRate(), 0);
    EXPECT_EQ(dec.getTotalVideoFrames(), 60);
    EXPECT_NEAR(dec.getVideoDuration(), 2.0, 0.04);
    EXPECT_EQ(dec.getAudioDuration(), 0.0);
    for (int i = 0; i < 60; ++i) {
        Read r = readBgra(dec, 320, 240);
        ASSERT_EQ(r.index, i);
        ASSERT_NEAR(r.secs, i / 30.0, 1e-6);
    }
    EXPECT_EQ(readBgra(dec, 320, 240).index, -2);
}

TEST(FFMpegVideoDecoder, OutputSizeTable) {
    struct Case {
        int width, height, outWidth, outHeight;
    };
    const Case cases[] = {{-1, -1, 320, 240},
                          {0, 0, 320, 240},
                          {1920, 0, 320, 240},
                          {160, 120, 160, 120},
                          {641, 479, 641, 479}};
    for (const Case& c : cases) {
        FFMpegVideoDecoder dec(true, false);
        ASSERT_EQ(dec.initWithFilePath(clips().plain.c_str(), c.width, c.height), 0);
        EXPECT_EQ(dec.getVideoWidth(), 320);
        EXPECT_EQ(dec.getVideoHeight(), 240);
        EXPECT_EQ(dec.getFrameBufferSize(), c.outWidth * c.outHeight * 4);
        EXPECT_EQ(readBgra(dec, c.outWidth, c.outHeight).index, 0) << c.width << "x" << c.height;
        EXPECT_EQ(readBgra(dec, c.outWidth, c.outHeight).index, 1);
    }
}

TEST(FFMpegVideoDecoder, FrameBufferSizeFor1080p) {
    FFMpegVideoDecoder bgra(true, false);
    ASSERT_EQ(bgra.initWithFilePath(clips().hd.c_str(), 0, 0), 0);
    EXPECT_EQ(bgra.getFrameBufferSize(), 8294400);
    FFMpegVideoDecoder yuv(false, false);
    ASSERT_EQ(yuv.initWithFilePath(clips().hd.c_str(), 640, 360), 0);
    EXPECT_EQ(yuv.getFrameBufferSize(), 3110400);
}

// Packed YUV 4:2:0: Y carries the index, U and V are neutral grey all over,
// which a padded chroma row would break.
TEST(FFMpegVideoDecoder, YuvFramesArePackedPlanes) {
    const std::string* paths[] = {&clips().big, &clips().odd};
    for (const std::string* path : paths) {
        FFMpegVideoDecoder dec(false, false);
        ASSERT_EQ(dec.initWithFilePath(path->c_str(), 0, 0), 0);
        const int w = dec.getVideoWidth(), h = dec.getVideoHeight();
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        ASSERT_EQ(dec.getFrameBufferSize(), w * h + 2 * cw * ch);
        for (int i = 0; i < 3; ++i) {
            std::unique_ptr<VideoSrcFrame> frame(dec.readNextVideoFrame());
            ASSERT_TRUE(frame);
            const uint8_t* y = frame->getDatePtr();
            EXPECT_EQ(DecodeTest::frameIndex(y, w, h, 1), i) << *path;
            const uint8_t* chroma = y + static_cast<size_t>(w) * h;
            int off = 0;
            for (int k = 0; k < 2 * cw * ch; ++k) off += std::abs(chroma[k] - 128) > 6;
            EXPECT_EQ(off, 0) << *path;
        }
    }
}

// Packed YUV 4:2:0 keeps the source's levels (and so the matrix and range it reports) when the
// frames are converted from another chroma layout. At HD size an untagged source is BT.709: a
// coloured band shows a matrix changed on the way.
TEST(FFMpegVideoDecoder, YuvFramesKeepTheSourceLevels) {
    const std::string bands =
        "geq=lum='if(lt(Y,H/2),40,220)':cb='if(lt(Y,H/2),90,128)':cr='if(lt(Y,H/2),170,128)'";
    for (const std::string format : {"yuv444p", "yuv422p"}) {
        SCOPED_TRACE(format);
        const std::string path =
            DecodeTest::makeClip(clips().dir, "bands-" + format + ".mkv", "1280x720", 30, 0.1,
                                 {"-vf", "format=" + format + "," + bands, "-c:v", "ffv1"});
        FFMpegVideoDecoder dec(false, false);
        ASSERT_EQ(dec.initWithFilePath(path.c_str(), 0, 0), 0);
        const int w = 1280, h = 720;
        std::unique_ptr<VideoSrcFrame> frame(dec.readNextVideoFrame());
        ASSERT_TRUE(frame);
        const uint8_t* y = frame->getDatePtr();
        const uint8_t* u = y + w * h;
        const uint8_t* v = u + (w / 2) * (h / 2);
        EXPECT_NEAR(y[(h / 4) * w + w / 2], 40, 1);
        EXPECT_NEAR(y[(3 * h / 4) * w + w / 2], 220, 1);
        EXPECT_NEAR(u[(h / 8) * (w / 2) + w / 4], 90, 1);
        EXPECT_NEAR(v[(h / 8) * (w / 2) + w / 4], 170, 1);
        EXPECT_NEAR(u[(3 * h / 8) * (w / 2) + w / 4], 128, 1);
    }
}

TEST(FFMpegVideoDecoder, SeekTable) {
    struct Case {
        const char* what;
        int readsBefore;
        double seconds;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"exact frame", 0, 17.0 / 30, {17, 18}},
        {"between frames lands on the next", 0, 17.5 / 30, {18, 19}},
        {"zero", 10, 0.0, {0, 1}},
        {"backward after 40 reads", 40, 5.0 / 30, {5, 6}},
        {"after the end", 99, 1.0, {30, 31}},
        {"beyond the end", 0, 5.0, {-2}},
        {"last frame", 0, 59.0 / 30, {59, -2}},
    };
    for (int threads : {1, 0}) {
        for (const Case& c : cases) {
            FFMpegVideoDecoder dec(true, false);
            dec.setDecodeThreads(threads);
            ASSERT_EQ(dec.initWithFilePath(clips().plain.c_str(), 0, 0), 0);
            for (int i = 0; i < c.readsBefore && readBgra(dec, 320, 240).index != -2; ++i) {
            }
            ASSERT_EQ(dec.seekTo(c.seconds), 0) << c.what;
            for (int want : c.expected)
                EXPECT_EQ(readBgra(dec, 320, 240).index, want) << c.what << ", threads " << threads;
        }
    }
}

// The clean end of the stream and a read that fails part-way both give null; only the failure
// leaves a read error (and its log line), also after the frames the codec still held.
TEST(FFMpegVideoDecoder, FailedReadIsNotTheEndOfTheStream) {
    LogCapture& log = DecodeTest::captureLog();
    const std::string whole =
        DecodeTest::makeClip(clips().dir, "av.mp4", "160x120", 30, 2.0,
                             {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-shortest"},
                             {"-f", "lavfi", "-i", "sine=d=2"});
    const std::string broken = clips().dir + "/broken.mp4";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(whole), QString::fromStdString(broken)));
    if (!breakMiddleChunk(QString::fromStdString(broken)))
        GTEST_SKIP() << "the file system seeks to any offset";
    const struct {
        const std::string* path;
        bool fails;
    } cases[] = {{&whole, false}, {&broken, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(*c.path);
        log.clear();
        FFMpegVideoDecoder dec(true, false);
        ASSERT_EQ(dec.initWithFilePath(c.path->c_str(), 0, 0), 0);
        int frames = 0;
        while (readBgra(dec, 160, 120).index != -2) ++frames;
        EXPECT_EQ(dec.readNextVideoFrame(), nullptr);
        if (c.fails) {
            EXPECT_GT(frames, 5);
            EXPECT_LT(frames, 55);
            EXPECT_LT(dec.getReadError(), 0);
            EXPECT_TRUE(log.contains("ffmpegVDec", "av_read_frame() failed"));
        } else {
            EXPECT_EQ(frames, 60);
            EXPECT_EQ(dec.getReadError(), 0);
        }
        // A seek starts over: the error goes with it.
        ASSERT_EQ(dec.seekTo(0.0), 0);
        EXPECT_EQ(readBgra(dec, 160, 120).index, 0);
        EXPECT_EQ(dec.getReadError(), 0);
    }
}

// A caller that picks frames before converting them gets the codec's own frames (its planes by
// line size) and converts the picked ones to exactly what a plain read gives.
TEST(FFMpegVideoDecoder, DecodedFramesConvertToWhatReadsGive) {
    for (bool bgra : {true, false}) {
        SCOPED_TRACE(bgra ? "BGRA" : "YUV");
        FFMpegVideoDecoder reads(bgra, false), picks(bgra, false);
        ASSERT_EQ(reads.initWithFilePath(clips().odd.c_str(), 0, 0), 0);
        ASSERT_EQ(picks.initWithFilePath(clips().odd.c_str(), 0, 0), 0);
        const size_t bytes = static_cast<size_t>(reads.getFrameBufferSize());
        for (int i = 0; i < 15; ++i) {
            std::unique_ptr<VideoSrcFrame> read(reads.readNextVideoFrame());
            std::unique_ptr<FFMpegVSrcFrame> decoded(picks.readNextDecodedFrame());
            ASSERT_TRUE(read && decoded) << i;
            EXPECT_EQ(decoded->frame()->format, AV_PIX_FMT_YUV420P);
            EXPECT_EQ(decoded->frame()->width, 1001);
            EXPECT_GE(decoded->frame()->linesize[0], 1001);
            EXPECT_EQ(decoded->seconds(), read->getFrameSecs());
            if (i % 2 == 1) continue;  // dropped unconverted
            std::unique_ptr<FFMpegVSrcFrame> converted(picks.convertFrame(*decoded));
            ASSERT_TRUE(converted);
            EXPECT_EQ(converted->getFrameSecs(), read->getFrameSecs());
            EXPECT_EQ(std::memcmp(converted->getDatePtr(), read->getDatePtr(), bytes), 0) << i;
        }
        EXPECT_EQ(picks.readNextDecodedFrame(), nullptr);
        EXPECT_EQ(picks.getReadError(), 0);
    }
}

TEST(FFMpegVideoDecoder, HardwareBranchFallsBackToSoftware) {
    LogCapture& log = DecodeTest::captureLog();
    const char* line = "Can not find hardware decoder h264_mediacodec, use software decode";
    log.clear();
    FFMpegVideoDecoder software(true, false);
    ASSERT_EQ(software.initWithFilePath(clips().plain.c_str(), 0, 0), 0);
    EXPECT_FALSE(log.contains("ffmpegVDec", line));
    FFMpegVideoDecoder hardware(true, true);
    ASSERT_EQ(hardware.initWithFilePath(clips().plain.c_str(), 0, 0), 0);
    EXPECT_TRUE(log.contains("ffmpegVDec", line));
    EXPECT_EQ(readBgra(hardware, 320, 240).index, 0);
}

TEST(FFMpegVSrcFrame, WithoutFrameGivesNoData) {
    FFMpegVSrcFrame frame(nullptr, 1.5);
    EXPECT_EQ(frame.getDatePtr(), nullptr);
    EXPECT_EQ(frame.getFrameSecs(), 1.5);
}

}  // namespace
