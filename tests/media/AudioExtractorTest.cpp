#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "AudioTestMedia.h"
#include "FFMpegAudioExtractor.h"
#include "TestEnv.h"

using namespace AudioTestMedia;

namespace {

class AudioExtractorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = TestEnv::makeDir("extract");
        clearLog();
    }
    std::string at(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

TEST_F(AudioExtractorTest, DefaultsCopyPacketsExactly) {
    const std::string src = clip(at("clip.mp4"), 2, true);
    const std::string dst = at("copy.m4a");
    ASSERT_EQ(0,
              FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 1.0, false, false));

    std::vector<std::vector<unsigned char>> expected;
    for (const PacketFacts& p : packets(src))
        if (p.stream == 1) expected.push_back(p.data);
    std::vector<std::vector<unsigned char>> copied;
    for (const PacketFacts& p : packets(dst)) copied.push_back(p.data);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, copied);
    EXPECT_EQ(std::vector<std::string>{"audio"}, streamKinds(dst));
}

TEST_F(AudioExtractorTest, PlainCopyKeepsTheStartOffset) {
    const std::string late = toneFromOneSecond(at("late.m4a"), 2);
    ASSERT_NEAR(1.0, soundOnsetSeconds(late), 0.003);
    const std::string dst = at("late_copy.m4a");
    ASSERT_EQ(0,
              FFMpegAudioExtractor::extract(late.c_str(), dst.c_str(), -1, -1, 1.0, false, false));
    EXPECT_NEAR(1.0, soundOnsetSeconds(dst), 0.003);
}

TEST_F(AudioExtractorTest, PlainCopyReportsAnOutputThatCannotBeSetUp) {
    const std::string src = tone(at("tone.m4a"), 440, 48000, 1, 1);
    const std::string dst = at("missing/folder/copy.m4a");
    EXPECT_EQ(-12,
              FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 1.0, false, false));
    EXPECT_TRUE(logHas("Could not open output file"));
}

TEST_F(AudioExtractorTest, StandardFormIsStereo44100Aac) {
    const std::string src = tone(at("mono48k.m4a"), 440, 48000, 1, 3);
    const std::string dst = at("standard.m4a");
    ASSERT_EQ(0, FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 1.0, true, false));
    const StreamFacts out = streamFacts(dst, "audio");
    EXPECT_EQ("aac", out.codec);
    EXPECT_EQ(2, out.channels);
    EXPECT_EQ(44100, out.sampleRate);
    EXPECT_NEAR(128000, out.bitRate, 20000);
    EXPECT_NEAR(3.0, out.seconds, 0.1);
}

TEST_F(AudioExtractorTest, TrimKeepsTheAskedSection) {
    const std::string src = tone(at("tone.m4a"), 440, 44100, 2, 5);
    struct Case {
        double start, duration, seconds;
    } cases[] = {{1.5, 2, 2.0}, {-1, 1.25, 1.25}, {3.5, -1, 1.5}, {0.5, 1e300, 4.5}};
    for (const Case& c : cases) {
        const std::string dst = at("trim.m4a");
        ASSERT_EQ(0, FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), c.start, c.duration,
                                                   1.0, false, false))
            << c.start << " " << c.duration;
        EXPECT_NEAR(c.seconds, streamFacts(dst, "audio").seconds, 0.05)
            << c.start << " " << c.duration;
    }
}

TEST_F(AudioExtractorTest, HalfVolumeLowersTheLevelBySixDecibels) {
    const std::string src = tone(at("tone.m4a"), 440, 44100, 2, 3);
    const std::string dst = at("half.m4a");
    ASSERT_EQ(0,
              FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 0.5, false, false));
    const double before = meanVolumeDb(src);
    const double after = meanVolumeDb(dst);
    ASSERT_LT(before, 0);
    EXPECT_NEAR(-6.02, after - before, 0.5);
}

TEST_F(AudioExtractorTest, VoiceBandCutsHighTonesAndPassesSpeech) {
    struct Case {
        int frequency;
        double minDrop, maxDrop;
    } cases[] = {{5000, 20, 200}, {440, -1, 1}};
    for (const Case& c : cases) {
        const std::string src = tone(at("tone.m4a"), c.frequency, 44100, 1, 2);
        const std::string dst = at("voice.m4a");
        ASSERT_EQ(
            0, FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 1.0, false, true));
        const double drop = meanVolumeDb(src) - meanVolumeDb(dst);
        EXPECT_GT(drop, c.minDrop) << c.frequency;
        EXPECT_LT(drop, c.maxDrop) << c.frequency;
    }
}

TEST_F(AudioExtractorTest, MoreThanTwoChannelsAreRefused) {
    const std::string src = silence(at("surround.m4a"), "5.1", 48000, 1);
    ASSERT_EQ(6, streamFacts(src, "audio").channels);
    const std::string dst = at("out.m4a");
    EXPECT_EQ(-12,
              FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, 1, 1.0, true, false));
    EXPECT_TRUE(logHas("ffmpegAExtrctr: Not support audio input with channels > 2."));
}

TEST_F(AudioExtractorTest, SourcesWithoutUsableSoundFail) {
    const std::string silent = clip(at("silent.mp4"), 1, false);
    const std::string garbage = at("garbage.m4a");
    {
        FILE* f = fopen(garbage.c_str(), "wb");
        fputs("not a media file at all", f);
        fclose(f);
    }
    const std::string dst = at("out.m4a");
    for (const std::string& src : {silent, garbage, at("absent.m4a")})
        for (bool toStandard : {false, true})
            EXPECT_EQ(-12, FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 1.0,
                                                         toStandard, false))
                << src << " " << toStandard;
}

TEST_F(AudioExtractorTest, VolumeWorksUnderACommaDecimalLocale) {
    const std::string src = tone(at("tone.m4a"), 440, 44100, 2, 2);
    if (!useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale available";
    const std::string dst = at("loud.m4a");
    const int ret =
        FFMpegAudioExtractor::extract(src.c_str(), dst.c_str(), -1, -1, 0.5, false, false);
    restoreLocale();
    ASSERT_EQ(0, ret);
    EXPECT_NEAR(-6.02, meanVolumeDb(dst) - meanVolumeDb(src), 0.5);
}

}  // namespace
