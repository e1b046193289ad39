#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <QFile>

#include <gtest/gtest.h>

#include "DecodeTestSupport.h"
#include "FFMpegDecoder360G.h"
#include "FFMpegEncodeSupport.h"
#include "FFMpegEncoder360G.h"
#include "FFMpegVideoDecoder.h"
#include "FFMpegVideoEncoder.h"
#include "TestEnv.h"

namespace {

const std::string& outDir() {
    static const std::string dir = TestEnv::makeDir("enc");
    return dir;
}

std::string probe(const std::string& path, const std::vector<std::string>& what) {
    std::vector<std::string> args = {"-v", "error", "-of", "default=nw=1"};
    args.insert(args.end(), what.begin(), what.end());
    args.push_back(path);
    return DecodeTest::run("/usr/bin/ffprobe", args);
}

// Frame indices and times as FFMpegVideoDecoder reads them back.
struct Decoded {
    std::vector<int> indices;
    std::vector<double> secs;
};

Decoded decodeAll(const std::string& path) {
    Decoded out;
    FFMpegVideoDecoder dec(true, false);
    if (dec.initWithFilePath(path.c_str(), 0, 0) != 0) return out;
    const int w = dec.getVideoWidth(), h = dec.getVideoHeight();
    while (std::unique_ptr<VideoSrcFrame> frame{dec.readNextVideoFrame()}) {
        out.indices.push_back(DecodeTest::frameIndex(frame->getDatePtr(), w, h));
        out.secs.push_back(frame->getFrameSecs());
    }
    return out;
}

std::vector<int> upTo(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    return v;
}

// Packet pts in decode order, from ffprobe.
std::vector<long long> packetPts(const std::string& path) {
    std::istringstream lines(
        probe(path, {"-select_streams", "v:0", "-show_entries", "packet=pts"}));
    std::vector<long long> pts;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("pts=", 0) == 0) pts.push_back(std::stoll(line.substr(4)));
    }
    return pts;
}

bool strictlyIncreasing(const std::vector<long long>& v) {
    for (size_t i = 1; i < v.size(); ++i) {
        if (v[i] <= v[i - 1]) return false;
    }
    return !v.empty();
}

// Packed BGRA frame number `index` of a sequence.
using Picture = std::function<std::vector<uint8_t>(int index)>;

std::string encodePictures(const std::string& name, int w, int h, int bitRate, int frames,
                           const Picture& picture, int step = 1, const char* comment = nullptr) {
    const std::string path = outDir() + "/" + name;
    FFMpegEncoder360G enc(path.c_str(), w, h, bitRate, comment);
    EXPECT_EQ(enc.getInitError(), 0);
    for (int i = 0; i < frames; ++i) {
        std::vector<uint8_t> bgra = picture(i);
        int r = enc.encodeArgbData(bgra.data(), step);
        EXPECT_TRUE(r == 0 || r == AVERROR(EAGAIN)) << r;
    }
    EXPECT_EQ(enc.endEncode(), 0);
    return path;
}

std::string encode360G(const std::string& name, int w, int h, int frames, int step,
                       const char* comment = nullptr) {
    return encodePictures(
        name, w, h, 6250000, frames, [w, h](int i) { return DecodeTest::indexPicture(i, w, h); },
        step, comment);
}

// The video stream of a file as the demuxer gives it.
struct VideoPackets {
    std::vector<int> keyFrames;      // decode-order numbers of the key packets
    std::vector<uint8_t> first;      // the first packet's payload
    long long bytes = 0;             // all payloads
    std::vector<uint8_t> extradata;  // the decoder configuration of the sample description
};

VideoPackets videoPackets(const std::string& path) {
    VideoPackets out;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return out;
    ffh::InputFormatPtr input(raw);
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return out;
    const AVCodecParameters* par = raw->streams[video]->codecpar;
    out.extradata.assign(par->extradata, par->extradata + par->extradata_size);
    ffh::PacketPtr packet = ffh::makePacket();
    for (int n = 0; av_read_frame(raw, packet.get()) >= 0; av_packet_unref(packet.get())) {
        if (packet->stream_index != video) continue;
        if (n == 0) out.first.assign(packet->data, packet->data + packet->size);
        if (packet->flags & AV_PKT_FLAG_KEY) out.keyFrames.push_back(n);
        out.bytes += packet->size;
        ++n;
    }
    return out;
}

// NAL unit types of an MP4 sample: units each preceded by its length in `lengthSize` bytes.
std::vector<int> nalTypes(const std::vector<uint8_t>& sample, int lengthSize) {
    std::vector<int> types;
    size_t pos = 0;
    while (pos + lengthSize < sample.size()) {
        size_t length = 0;
        for (int i = 0; i < lengthSize; ++i) length = length << 8 | sample[pos + i];
        pos += lengthSize;
        if (length == 0 || pos + length > sample.size()) break;
        types.push_back(sample[pos] & 0x1f);
        pos += length;
    }
    return types;
}

TEST(FFMpegEncoder360G, Mp4WithTheFixedParametersInDisplayOrder) {
    const std::string path = encode360G("out.mp4", 320, 240, 54, 1, "made by the test");
    const std::string info =
        probe(path, {"-count_frames", "-select_streams", "v:0", "-show_entries",
                     "stream=codec_name,profile,level,pix_fmt,r_frame_rate,"
                     "nb_read_frames:format=format_name:format_tags=comment"});
    EXPECT_EQ(DecodeTest::probeValue(info, "codec_name"), "h264");
    EXPECT_EQ(DecodeTest::probeValue(info, "profile"), "High");
    EXPECT_EQ(DecodeTest::probeValue(info, "level"), "51");
    EXPECT_EQ(DecodeTest::probeValue(info, "pix_fmt"), "yuv420p");
    EXPECT_EQ(DecodeTest::probeValue(info, "r_frame_rate"), "27/1");
    EXPECT_EQ(DecodeTest::probeValue(info, "nb_read_frames"), "54");
    EXPECT_NE(DecodeTest::probeValue(info, "format_name").find("mp4"), std::string::npos);
    EXPECT_EQ(DecodeTest::probeValue(info, "TAG:comment"), "made by the test");
    auto pts = packetPts(path);
    EXPECT_EQ(pts.size(), 54u);
    EXPECT_TRUE(strictlyIncreasing(pts));
    Decoded back = decodeAll(path);
    EXPECT_EQ(back.indices, upTo(54));
    ASSERT_EQ(back.secs.size(), 54u);
    EXPECT_NEAR(back.secs[27], 1.0, 1e-3);
}

TEST(FFMpegEncoder360G, KeyFramesTwelveApartOnStillContent) {
    // Still content has no scene cut, so only the group of pictures places key frames.
    const std::vector<uint8_t> still = DecodeTest::indexPicture(5, 160, 96);
    const VideoPackets packets =
        videoPackets(encodePictures("still.mp4", 160, 96, 6250000, 62, [&](int) { return still; }));
    EXPECT_EQ(packets.keyFrames, (std::vector<int>{0, 12, 24, 36, 48, 60}));
}

TEST(FFMpegEncoder360G, Mp4CarriesTheParameterSetsInTheSampleDescription) {
    const VideoPackets packets = videoPackets(encode360G("avcc.mp4", 160, 96, 14, 1));
    // avcC: version 1, the length size, then one sequence and one picture parameter set.
    ASSERT_GE(packets.extradata.size(), 7u);
    EXPECT_EQ(packets.extradata[0], 1);
    EXPECT_EQ(packets.extradata[5] & 0x1f, 1);
    // The first sample: an IDR picture (5), no sequence (7) or picture (8) parameter set.
    const std::vector<int> types = nalTypes(packets.first, (packets.extradata[4] & 3) + 1);
    const std::string shown = ::testing::PrintToString(types);
    EXPECT_EQ(std::count(types.begin(), types.end(), 5), 1) << shown;
    EXPECT_EQ(std::count_if(types.begin(), types.end(), [](int t) { return t == 7 || t == 8; }), 0)
        << shown;
}

TEST(FFMpegEncoder360G, BitRateOfTheFileIsNearItsTarget) {
    // A ramp sliding 3 px a frame under fresh noise of 64 levels asks for more than either
    // target, so the rate control alone decides the size.
    const int w = 320, h = 192, frames = 162;  // 6 s
    std::mt19937 rng(11);
    const Picture noisyRamp = [&](int i) {
        std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
        for (size_t at = 0; at < bgra.size(); ++at) {
            const int x = static_cast<int>(at / 4 % w);
            bgra[at] = static_cast<uint8_t>((x + 3 * i) % 192 + rng() % 64);
        }
        return bgra;
    };
    for (int target : {1000000, 6250000}) {
        const VideoPackets packets =
            videoPackets(encodePictures("rate.mp4", w, h, target, frames, noisyRamp));
        const double bitsPerSecond = packets.bytes * 8.0 / (frames / 27.0);
        EXPECT_NEAR(bitsPerSecond / target, 1.0, 0.2) << target;
    }
}

TEST(FFMpegEncoder360G, StepSpacesFrames) {
    Decoded back = decodeAll(encode360G("step2.mp4", 160, 96, 10, 2));
    ASSERT_EQ(back.indices, upTo(10));
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(back.secs[i], 2.0 * i / 27, 1e-3);
}

TEST(FFMpegEncoder360G, PureRedStaysRed) {
    const int w = 64, h = 64;
    const std::string path = outDir() + "/red.mp4";
    {
        FFMpegEncoder360G enc(path.c_str(), w, h, 6250000, nullptr);
        ASSERT_EQ(enc.getInitError(), 0);
        std::vector<uint8_t> red(w * h * 4);
        for (int i = 0; i < w * h; ++i) {
            red[i * 4 + 2] = 255;
            red[i * 4 + 3] = 255;
        }
        for (int i = 0; i < 3; ++i) enc.encodeArgbData(red.data(), 1);
        enc.endEncode();
    }
    FFMpegDecoder360G dec;
    ASSERT_EQ(dec.initWithFilePath(path.c_str()), 0);
    AVFrame** cell = dec.readNextVideoFrame();
    ASSERT_TRUE(cell);
    const uint8_t* p = (*cell)->data[0] + (h / 2 * w + w / 2) * 4;
    EXPECT_LT(p[0], 40);   // blue
    EXPECT_LT(p[1], 40);   // green
    EXPECT_GT(p[2], 215);  // red
    av_frame_unref(*cell);
    av_frame_free(cell);
    delete cell;
}

// The planes of a YUV 4:2:0 frame as one byte string.
std::string yuvBytes(const AVFrame* f) {
    std::string out;
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? (f->width + 1) / 2 : f->width;
        const int h = plane ? (f->height + 1) / 2 : f->height;
        for (int y = 0; y < h; ++y)
            out.append(reinterpret_cast<const char*>(f->data[plane] + y * f->linesize[plane]), w);
    }
    return out;
}

TEST(FFMpegEncodeSupport, SlicedBgraConversionGivesTheBytesOfOneThread) {
    // Even sides: the encoders' 4:2:0 frames take no others.
    const struct { int w, h; } sizes[] = {{2, 2}, {6, 4}, {642, 358}, {1922, 962}};
    std::mt19937 rng(3);
    for (const auto& s : sizes) {
        std::vector<uint8_t> bgra(static_cast<size_t>(s.w) * s.h * 4);
        for (uint8_t& b : bgra) b = static_cast<uint8_t>(rng());
        ffh::FramePtr sliced = ffh::makeFrame(), plain = ffh::makeFrame();
        ffh::FramePtr wrapper = ffh::makeFrame();
        ASSERT_EQ(FFMpegEncodeSupport::allocFrameBuffer(sliced.get(), AV_PIX_FMT_YUV420P, s.w, s.h),
                  0);
        ASSERT_EQ(FFMpegEncodeSupport::allocFrameBuffer(plain.get(), AV_PIX_FMT_YUV420P, s.w, s.h),
                  0);
        ffh::SwsPtr threaded(FFMpegEncodeSupport::makeBgraScaler(s.w, s.h, AV_PIX_FMT_YUV420P));
        ASSERT_TRUE(threaded);
        ASSERT_EQ(FFMpegEncodeSupport::scalePackedBgra(threaded.get(), wrapper.get(), bgra.data(),
                                                       sliced.get()),
                  0);
        ffh::SwsPtr one(sws_getContext(s.w, s.h, AV_PIX_FMT_BGRA, s.w, s.h, AV_PIX_FMT_YUV420P,
                                       SWS_BICUBIC, nullptr, nullptr, nullptr));
        const uint8_t* src[4] = {bgra.data()};
        const int stride[4] = {s.w * 4};
        ASSERT_EQ(sws_scale(one.get(), src, stride, 0, s.h, plain->data, plain->linesize), s.h);
        EXPECT_TRUE(yuvBytes(sliced.get()) == yuvBytes(plain.get())) << s.w << "x" << s.h;
    }
}

TEST(FFMpegEncoder360G, UnknownSuffixGivesMpegProgramStream) {
    LogCapture& log = DecodeTest::captureLog();
    log.clear();
    const std::string path = encode360G("out.qqq", 160, 96, 12, 1);
    EXPECT_TRUE(log.contains("FFMpegEncoder360G", "avformat_alloc_output_context2 faile: "));
    EXPECT_TRUE(log.contains("FFMpegEncoder360G", ", using MPEG"));
    const std::string info = probe(path, {"-show_entries", "format=format_name:stream=codec_name"});
    EXPECT_EQ(DecodeTest::probeValue(info, "format_name"), "mpeg");
    EXPECT_EQ(DecodeTest::probeValue(info, "codec_name"), "h264");
    EXPECT_EQ(decodeAll(path).indices, upTo(12));
}

TEST(FFMpegEncoder360G, InitFailures) {
    LogCapture& log = DecodeTest::captureLog();
    log.clear();
    const int refused[][2] = {{2161, 1081}, {0, 0}, {-4, 100}, {100000, 64}, {9000, 9000}};
    for (const auto& size : refused) {
        FFMpegEncoder360G enc((outDir() + "/refused.mp4").c_str(), size[0], size[1], 6250000,
                              nullptr);
        EXPECT_EQ(enc.getInitError(), -10) << size[0] << "x" << size[1];
        EXPECT_TRUE(log.contains("FFMpegEncoder360G", "width:" + std::to_string(size[0]) +
                                                          ", height:" + std::to_string(size[1]) +
                                                          ", bitRate:6250000"));
        std::vector<uint8_t> picture(64 * 64 * 4);
        EXPECT_EQ(enc.encodeArgbData(picture.data(), 1), -10001);
        EXPECT_EQ(enc.endEncode(), 0);
    }
    const std::string nowhere = outDir() + "/no/such/folder/out.mp4";
    FFMpegEncoder360G enc(nowhere.c_str(), 160, 96, 6250000, nullptr);
    EXPECT_EQ(enc.getInitError(), -2);
    EXPECT_TRUE(log.contains("FFMpegEncoder360G", "Could not open '" + nowhere + "'"));
    EXPECT_EQ(enc.endEncode(), 0);
    EXPECT_EQ(enc.endEncode(), 0);
}

TEST(FFMpegEncoder360G, TakesPackedYuv) {
    const int w = 160, h = 96;
    const std::string path = outDir() + "/yuv.mp4";
    {
        FFMpegEncoder360G enc(path.c_str(), w, h, 6250000, nullptr);
        ASSERT_EQ(enc.getInitError(), 0);
        std::vector<uint8_t> yuv(w * h * 3 / 2, 128);
        for (int i = 0; i < 4; ++i) {
            for (int x = 0; x < w; ++x) {
                for (int y = 0; y < h; ++y) yuv[y * w + x] = (i >> (x * 8 / w)) & 1 ? 235 : 16;
            }
            enc.enncodeYuvData(yuv.data(), 1);
        }
        enc.endEncode();
    }
    EXPECT_EQ(decodeAll(path).indices, upTo(4));
}

// FFMpegVideoEncoder

std::string encodeVariant(const std::string& name, float fps, const std::vector<double>& secs,
                          int rotation = 0, const char* preset = nullptr) {
    const std::string path = outDir() + "/" + name;
    FFMpegVideoEncoder enc;
    if (preset) enc.setPreset(preset);
    List<const char*> keys, values;
    keys.append("title");
    values.append("variant clip");
    EXPECT_EQ(enc.init(path.c_str(), 160, 96, true, fps, 2000000, keys, values, rotation), 0);
    for (size_t i = 0; i < secs.size(); ++i) {
        std::vector<uint8_t> picture = DecodeTest::indexPicture(static_cast<int>(i), 160, 96);
        EXPECT_EQ(enc.encode(picture.data(), secs[i]), 0);
    }
    EXPECT_EQ(enc.close(), 0);
    return path;
}

TEST(FFMpegVideoEncoder, TimeStampsFollowTheSecondsForAnyTimeBase) {
    struct Case {
        const char* name;
        float fps;
        double step;  // seconds between frames
    };
    const Case cases[] = {{"fps30.mp4", 30.0f, 1.0 / 30},
                          {"fps25.mp4", 25.0f, 1.0 / 25},
                          {"micro.mp4", -1.0f, 1.0 / 25},
                          {"micro30.mp4", -1.0f, 1.0 / 30}};
    for (const Case& c : cases) {
        std::vector<double> secs;
        for (int i = 0; i < 20; ++i) secs.push_back(i * c.step);
        Decoded back = decodeAll(encodeVariant(c.name, c.fps, secs));
        ASSERT_EQ(back.indices, upTo(20)) << c.name;
        for (int i = 0; i < 20; ++i)
            EXPECT_NEAR(back.secs[i], secs[i], 2e-3) << c.name << " frame " << i;
    }
}

TEST(FFMpegVideoEncoder, MetadataRotationAndDisplayOrder) {
    const std::string path =
        encodeVariant("meta.mp4", 30.0f, {0, 1 / 30.0, 2 / 30.0, 3 / 30.0}, 90);
    const std::string info = probe(path, {"-select_streams", "v:0", "-show_entries",
                                          "stream=codec_name,profile,level:"
                                          "stream_side_data=rotation:format_tags=title"});
    EXPECT_EQ(DecodeTest::probeValue(info, "codec_name"), "h264");
    EXPECT_EQ(DecodeTest::probeValue(info, "profile"), "High");
    EXPECT_EQ(DecodeTest::probeValue(info, "level"), "51");
    EXPECT_EQ(DecodeTest::probeValue(info, "TAG:title"), "variant clip");
    // A clockwise quarter turn is a -90 degree display matrix.
    EXPECT_EQ(DecodeTest::probeValue(info, "rotation"), "-90") << info;
    EXPECT_TRUE(strictlyIncreasing(packetPts(path)));
}

TEST(FFMpegVideoEncoder, PresetReachesX264) {
    auto options = [](const std::string& path) {
        QFile file(QString::fromStdString(path));
        file.open(QIODevice::ReadOnly);
        return file.readAll().toStdString();
    };
    const std::vector<double> secs = {0, 0.04, 0.08};
    EXPECT_NE(options(encodeVariant("veryfast.mp4", 25, secs)).find("cabac=1"), std::string::npos);
    EXPECT_NE(options(encodeVariant("ultrafast.mp4", 25, secs, 0, "ultrafast")).find("cabac=0"),
              std::string::npos);
}

TEST(FFMpegVideoEncoder, WrongStatesAndFailures) {
    LogCapture& log = DecodeTest::captureLog();
    log.clear();
    FFMpegVideoEncoder enc;
    uint8_t picture[160 * 96 * 4] = {};
    EXPECT_EQ(enc.encode(picture, 0), -10001);
    EXPECT_EQ(enc.close(), -10001);
    const std::string bad = outDir() + "/clip.qqq";
    EXPECT_EQ(enc.init(bad.c_str(), 160, 96, true, 30, 1000000, 0), -2);
    EXPECT_TRUE(log.contains("ffmpegVEnc", "for file " + bad + "!"));
    EXPECT_EQ(enc.init((outDir() + "/odd.mp4").c_str(), 161, 97, true, 30, 1000000, 0), -10);
    const std::string good = outDir() + "/twice.mp4";
    ASSERT_EQ(enc.init(good.c_str(), 160, 96, true, 30, 1000000, 0), 0);
    EXPECT_EQ(enc.init(good.c_str(), 160, 96, true, 30, 1000000, 0), -10001);
    EXPECT_EQ(enc.encode(picture, 0), 0);
    EXPECT_EQ(enc.close(), 0);
    EXPECT_EQ(enc.close(), -10001);
}

TEST(FFMpegVideoEncoder, TakesPackedYuvWithFrameCounter) {
    const std::string path = outDir() + "/variant-yuv.mp4";
    FFMpegVideoEncoder enc;
    ASSERT_EQ(enc.init(path.c_str(), 160, 96, false, 30, 1000000, 0), 0);
    std::vector<uint8_t> yuv(160 * 96 * 3 / 2, 128);
    for (int i = 0; i < 5; ++i) {
        for (int x = 0; x < 160; ++x) {
            for (int y = 0; y < 96; ++y) yuv[y * 160 + x] = (i >> (x * 8 / 160)) & 1 ? 235 : 16;
        }
        EXPECT_EQ(enc.encode(yuv.data(), 0), 0);
    }
    ASSERT_EQ(enc.close(), 0);
    Decoded back = decodeAll(path);
    EXPECT_EQ(back.indices, upTo(5));
    ASSERT_EQ(back.secs.size(), 5u);
    EXPECT_NEAR(back.secs[4], 4 / 30.0, 2e-3);
}

}  // namespace
