#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include "AudioTestMedia.h"
#include "FFMpegAVMuxer.h"
#include "TestEnv.h"

using namespace AudioTestMedia;

namespace {

class AVMuxerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = TestEnv::makeDir("mux");
        clearLog();
        video = clip(at("video.mp4"), 2, false);
        audio = tone(at("audio.m4a"), 440, 44100, 2, 2);
    }
    std::string at(const std::string& name) const { return dir + "/" + name; }
    std::string dir, video, audio;
};

size_t countOf(const std::vector<PacketFacts>& all, int stream) {
    return std::count_if(all.begin(), all.end(),
                         [stream](const PacketFacts& p) { return p.stream == stream; });
}

// An MP4 copy (time scale 1000) of `source`'s first stream whose third packet lasts ~12 days:
// in a finer time scale that is more than an MP4 sample may last.
std::string overlongCopy(const std::string& source, const std::string& path) {
    AVFormatContext* in = nullptr;
    AVFormatContext* out = nullptr;
    EXPECT_EQ(0, avformat_open_input(&in, source.c_str(), nullptr, nullptr));
    EXPECT_GE(avformat_find_stream_info(in, nullptr), 0);
    EXPECT_GE(avformat_alloc_output_context2(&out, nullptr, "mp4", path.c_str()), 0);
    AVStream* st = avformat_new_stream(out, nullptr);
    avcodec_parameters_copy(st->codecpar, in->streams[0]->codecpar);
    st->codecpar->codec_tag = 0;
    st->time_base = AVRational{1, 1000};
    EXPECT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "video_track_timescale", "1000", 0);
    EXPECT_GE(avformat_write_header(out, &options), 0);
    av_dict_free(&options);
    const int64_t gap = 1000000000;
    AVPacket* pkt = av_packet_alloc();
    for (int n = 0; av_read_frame(in, pkt) >= 0; ++n) {
        av_packet_rescale_ts(pkt, in->streams[0]->time_base, out->streams[0]->time_base);
        if (n == 2) pkt->duration += gap;
        if (n > 2) {
            pkt->pts += gap;
            pkt->dts += gap;
        }
        pkt->stream_index = 0;
        pkt->pos = -1;
        EXPECT_GE(av_write_frame(out, pkt), 0);
        av_packet_unref(pkt);
    }
    av_write_trailer(out);
    av_packet_free(&pkt);
    avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&in);
    return path;
}

TEST_F(AVMuxerTest, VideoThenAudioInStreamAndFileOrder) {
    const std::string out = at("out.mp4");
    ASSERT_EQ(0, FFMpegAVMuxer::mux(audio.c_str(), video.c_str(), out.c_str()));

    EXPECT_EQ((std::vector<std::string>{"video", "audio"}), streamKinds(out));
    const std::vector<PacketFacts> written = packets(out);
    EXPECT_EQ(countOf(packets(video), 0), countOf(written, 0));
    EXPECT_EQ(countOf(packets(audio), 0), countOf(written, 1));
    long long lastVideo = -1, firstAudio = -1;
    for (const PacketFacts& p : written) {
        if (p.stream == 0)
            lastVideo = std::max(lastVideo, p.pos);
        else if (firstAudio < 0 || p.pos < firstAudio)
            firstAudio = p.pos;
    }
    EXPECT_LT(lastVideo, firstAudio);
    EXPECT_EQ((std::vector<std::string>{"ftyp", "free", "mdat", "moov"}), topLevelBoxes(out));
    EXPECT_NEAR(2.0, streamFacts(out, "video").seconds, 0.1);
    EXPECT_NEAR(2.0, streamFacts(out, "audio").seconds, 0.1);
}

// The AAC priming (1024 samples) is part of the source's timing: restamping the sound from 0
// would put the tone 21 ms late against the picture.
TEST_F(AVMuxerTest, SoundKeepsItsStartOffset) {
    const std::string late = toneFromOneSecond(at("late.m4a"), 2);
    ASSERT_NEAR(1.0, soundOnsetSeconds(late), 0.003);
    const std::string out = at("synced.mp4");
    ASSERT_EQ(0, FFMpegAVMuxer::mux(late.c_str(), video.c_str(), out.c_str()));
    EXPECT_NEAR(1.0, soundOnsetSeconds(out), 0.003);
}

TEST_F(AVMuxerTest, MetadataOnlyFromListsOfEqualLength) {
    const struct {
        List<const char*> keys, values;
        std::string expected;
    } cases[] = {
        {{"comment"}, {"made here"}, "made here"},
        {{"comment", "title"}, {"made here"}, ""},
        {{}, {}, ""},
    };
    for (const auto& c : cases) {
        const std::string out = at("meta.mp4");
        ASSERT_EQ(0,
                  FFMpegAVMuxer::mux(audio.c_str(), video.c_str(), out.c_str(), c.keys, c.values));
        EXPECT_EQ(c.expected, containerTag(out, "comment")) << c.keys.size();
    }
}

TEST_F(AVMuxerTest, ReorderedPicturesKeepTheirPresentationOffsets) {
    const std::string bframes =
        make(at("bframes.mp4"), {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2",
                                 "-c:v", "libx264", "-preset", "fast", "-bf", "2"});
    const std::string out = at("out.mp4");
    ASSERT_EQ(0, FFMpegAVMuxer::mux(audio.c_str(), bframes.c_str(), out.c_str()));
    std::vector<long long> before, after;
    for (const PacketFacts& p : packets(bframes)) before.push_back(p.pts - p.dts);
    for (const PacketFacts& p : packets(out))
        if (p.stream == 0) after.push_back(p.pts - p.dts);
    ASSERT_TRUE(std::any_of(before.begin(), before.end(), [](long long d) { return d > 0; }));
    // Both files use the same time base for the video.
    EXPECT_EQ(before, after);
}

TEST_F(AVMuxerTest, FailuresGiveTheirCodes) {
    const std::string out = at("out.mp4");
    const struct {
        std::string audio, video, output;
        int expected;
    } cases[] = {
        {audio, audio, out, -7},
        {audio, at("absent.mp4"), out, -12},
        {at("absent.m4a"), video, out, -12},
        {video, video, out, -12},
        {audio, video, at("no/dir/out.mp4"), -12},
        {audio, video, at("out.unknownsuffix"), -12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected,
                  FFMpegAVMuxer::mux(c.audio.c_str(), c.video.c_str(), c.output.c_str()))
            << c.audio << " " << c.video << " " << c.output;
    EXPECT_TRUE(logHas("ffmpegAVMuxer: Cannot find an video stream in the video input file"));
}

TEST_F(AVMuxerTest, AVideoCopyStoppedByAWriteFailureFails) {
    // The MP4 muxer refuses the overlong video packet; the sound is written completely.
    const std::string overlong = overlongCopy(video, at("overlong.mp4"));
    const std::string out = at("out.mp4");
    EXPECT_EQ(-12, FFMpegAVMuxer::mux(audio.c_str(), overlong.c_str(), out.c_str()));
    EXPECT_TRUE(logHas("ffmpegAVMuxer: Error muxing packet"));
}

}  // namespace
