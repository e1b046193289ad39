#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioTestMedia.h"
#include "FFMpegAudioMixer.h"
#include "FFMpegMuxBasedAudioConcatenater.h"
#include "TestEnv.h"

using namespace AudioTestMedia;

namespace {

class AudioConcatMixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = TestEnv::makeDir("concat");
        clearLog();
    }
    std::string at(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

std::vector<std::vector<unsigned char>> payloads(const std::string& path) {
    std::vector<std::vector<unsigned char>> all;
    for (const PacketFacts& p : packets(path)) all.push_back(p.data);
    return all;
}

TEST_F(AudioConcatMixTest, AppendedSourcesFollowEachOtherUnchanged) {
    const std::string a = tone(at("a.m4a"), 440, 44100, 2, 1);
    const std::string b = tone(at("b.m4a"), 880, 44100, 2, 2);
    const std::string out = at("ab.m4a");
    {
        FFMpegMuxBasedAudioConcatenater concat(out.c_str(), a.c_str());
        ASSERT_EQ(0, concat.getInitError());
        EXPECT_EQ(0, concat.append(b.c_str()));
        EXPECT_EQ(0, concat.close());
        EXPECT_EQ(-10001, concat.close());
    }
    std::vector<std::vector<unsigned char>> expected = payloads(a);
    const std::vector<std::vector<unsigned char>> second = payloads(b);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(expected, payloads(out));
    EXPECT_NEAR(3.0, streamFacts(out, "audio").seconds, 0.1);

    // Decoding times grow strictly from 0.
    const std::vector<PacketFacts> written = packets(out);
    for (size_t i = 1; i < written.size(); ++i) ASSERT_GT(written[i].dts, written[i - 1].dts) << i;
}

TEST_F(AudioConcatMixTest, AConcatenaterThatFailedToOpenRefusesWork) {
    const std::string a = tone(at("a.m4a"), 440, 44100, 2, 1);
    const struct {
        std::string output, source;
    } cases[] = {{at("out.m4a"), at("absent.m4a")}, {at("no/such/dir/out.m4a"), a}};
    for (const auto& c : cases) {
        FFMpegMuxBasedAudioConcatenater concat(c.output.c_str(), c.source.c_str());
        EXPECT_EQ(-12, concat.getInitError()) << c.output;
        EXPECT_EQ(-10001, concat.append(a.c_str()));
        EXPECT_EQ(-10001, concat.close());
    }
}

TEST_F(AudioConcatMixTest, SourcesOfAnotherFormatAreRefused) {
    const std::string a = tone(at("a.m4a"), 440, 44100, 2, 1);
    const std::string out = at("out.m4a");
    FFMpegMuxBasedAudioConcatenater concat(out.c_str(), a.c_str());
    ASSERT_EQ(0, concat.getInitError());
    const std::string others[] = {
        tone(at("rate.m4a"), 440, 22050, 2, 1),
        tone(at("mono.m4a"), 440, 44100, 1, 1),
        make(at("mp3.mp3"), {"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=1", "-ac", "2"}),
    };
    for (const std::string& other : others) EXPECT_EQ(-12, concat.append(other.c_str())) << other;
    EXPECT_TRUE(logHas("its sound differs from the output's"));
    EXPECT_EQ(0, concat.append(a.c_str()));
    EXPECT_EQ(0, concat.close());
    EXPECT_NEAR(2.0, streamFacts(out, "audio").seconds, 0.1);
}

TEST_F(AudioConcatMixTest, GenerateRepeatsAndCutsTheSource) {
    const std::string src = tone(at("ten.m4a"), 440, 44100, 2, 10);
    const struct { double seconds; } cases[] = {{25}, {4}, {20}};
    for (const auto& c : cases) {
        const std::string dst = at("long.m4a");
        const std::string piece = at("piece.m4a");
        ASSERT_EQ(0, FFMpegMuxBasedAudioConcatenater::generate(src.c_str(), piece.c_str(),
                                                               dst.c_str(), c.seconds))
            << c.seconds;
        EXPECT_NEAR(c.seconds, streamFacts(dst, "audio").seconds, 0.15) << c.seconds;
        EXPECT_FALSE(exists(piece));
    }
}

TEST_F(AudioConcatMixTest, GenerateRefusesSourcesWithoutLengthAndEmptyRequests) {
    const std::string src = tone(at("one.m4a"), 440, 44100, 2, 1);
    const std::string silent = clip(at("silent.mp4"), 1, false);
    const struct {
        std::string source;
        double seconds;
    } cases[] = {{silent, 5}, {at("absent.m4a"), 5}, {src, 0}, {src, -3}, {src, 1e9}};
    for (const auto& c : cases) {
        const std::string dst = at("out.m4a");
        EXPECT_EQ(-12, FFMpegMuxBasedAudioConcatenater::generate(
                           c.source.c_str(), at("piece.m4a").c_str(), dst.c_str(), c.seconds))
            << c.source << " " << c.seconds;
        EXPECT_FALSE(exists(dst));
    }
}

TEST_F(AudioConcatMixTest, MixFollowsTheFirstInputsFormat) {
    // The second input is longer and of another rate and layout: it must be converted, not
    // reinterpreted (which would change the mix's length), and the encoder must get frames
    // of its own size.
    const std::string low = tone(at("low.m4a"), 440, 22050, 1, 2);
    const std::string high = tone(at("high.m4a"), 1000, 44100, 2, 4);
    const std::string lowLong = tone(at("lowLong.m4a"), 440, 22050, 1, 4);
    const std::string highShort = tone(at("highShort.m4a"), 1000, 44100, 2, 2);
    const struct {
        std::string first, second;
        int rate, channels;
    } cases[] = {{low, high, 22050, 1}, {highShort, lowLong, 44100, 2}};
    for (const auto& c : cases) {
        const std::string out = at("mix.m4a");
        ASSERT_EQ(0, FFMpegAudioMixer::mix(c.first.c_str(), c.second.c_str(), out.c_str()))
            << c.rate;
        const StreamFacts facts = streamFacts(out, "audio");
        EXPECT_EQ("aac", facts.codec);
        EXPECT_EQ(c.rate, facts.sampleRate);
        EXPECT_EQ(c.channels, facts.channels);
        EXPECT_NEAR(4.0, facts.seconds, 0.1) << c.rate;
        EXPECT_LT(meanVolumeDb(out), -5);
        EXPECT_GT(meanVolumeDb(out), -40);
    }
}

TEST_F(AudioConcatMixTest, MixOfEqualInputsAndOfMissingOnes) {
    const std::string a = tone(at("a.m4a"), 440, 48000, 1, 2);
    const std::string b = tone(at("b.m4a"), 660, 48000, 1, 2);
    const std::string out = at("mix.m4a");
    ASSERT_EQ(0, FFMpegAudioMixer::mix(a.c_str(), b.c_str(), out.c_str()));
    const StreamFacts facts = streamFacts(out, "audio");
    EXPECT_EQ(48000, facts.sampleRate);
    EXPECT_EQ(1, facts.channels);
    EXPECT_NEAR(2.0, facts.seconds, 0.1);

    EXPECT_EQ(-12, FFMpegAudioMixer::mix(a.c_str(), at("absent.m4a").c_str(), out.c_str()));
    EXPECT_EQ(-12, FFMpegAudioMixer::mix(at("absent.m4a").c_str(), b.c_str(), out.c_str()));
}

}  // namespace
