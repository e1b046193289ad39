#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DecodeTestSupport.h"
#include "FFMpegHandles.h"
#include "FFMpegStreamDecoder.h"
#include "TestEnv.h"

namespace {

// The access units of a raw H.264 file, in order.
std::vector<std::vector<uint8_t>> accessUnits(const std::string& path) {
    std::vector<std::vector<uint8_t>> units;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return units;
    ffh::InputFormatPtr format(raw);
    ffh::PacketPtr packet = ffh::makePacket();
    while (av_read_frame(raw, packet.get()) >= 0) {
        units.emplace_back(packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    return units;
}

std::string rawClip(const std::string& name, const std::string& size, double seconds,
                    const std::vector<std::string>& extra) {
    static const std::string dir = TestEnv::makeDir("stream");
    std::vector<std::string> args = {"-c:v", "libx264", "-pix_fmt", "yuv420p",
                                     "-bf",  "0",       "-f",       "h264"};
    args.insert(args.end(), extra.begin(), extra.end());
    return DecodeTest::makeClip(dir, name, size, 30, seconds, args);
}

TEST(FFMpegStreamDecoder, DecodesEachUnitToPackedBgra) {
    auto units = accessUnits(rawClip("plain.h264", "320x240", 0.5, {}));
    ASSERT_EQ(units.size(), 15u);
    FFMpegStreamDecoder dec(320, 240);
    for (size_t i = 0; i < units.size(); ++i) {
        QByteArray picture = dec.decodeBuf(units[i].data(), static_cast<int>(units[i].size()));
        ASSERT_EQ(picture.size(), 320 * 240 * 4);
        EXPECT_EQ(
            DecodeTest::frameIndex(reinterpret_cast<const uint8_t*>(picture.constData()), 320, 240),
            static_cast<int>(i));
    }
    EXPECT_EQ(dec.getFrameWidth(), 320);
}

// A stream of another size is scaled to the decoder's size, never read past
// its own planes.
TEST(FFMpegStreamDecoder, OtherSizedStreamIsScaledToTheFixedSize) {
    auto units = accessUnits(rawClip("small.h264", "160x96", 0.2, {}));
    ASSERT_FALSE(units.empty());
    FFMpegStreamDecoder dec(640, 480);
    for (size_t i = 0; i < units.size(); ++i) {
        QByteArray picture = dec.decodeBuf(units[i].data(), static_cast<int>(units[i].size()));
        ASSERT_EQ(picture.size(), 640 * 480 * 4);
        EXPECT_EQ(
            DecodeTest::frameIndex(reinterpret_cast<const uint8_t*>(picture.constData()), 640, 480),
            static_cast<int>(i));
    }
}

// Units up to the 200,064-byte input buffer are taken, longer ones refused. A unit padded with
// zero bytes (allowed after a NAL unit) still decodes.
TEST(FFMpegStreamDecoder, TakesUnitsUpTo200064Bytes) {
    auto units = accessUnits(rawClip("pad.h264", "320x240", 0.1, {}));
    ASSERT_FALSE(units.empty());
    ASSERT_LT(units[0].size(), 200064u);
    for (size_t length : {size_t(200064), size_t(200065)}) {
        std::vector<uint8_t> unit = units[0];
        unit.resize(length, 0);
        FFMpegStreamDecoder dec(320, 240);
        const QByteArray picture = dec.decodeBuf(unit.data(), static_cast<int>(unit.size()));
        EXPECT_EQ(picture.size(), length <= 200064 ? 320 * 240 * 4 : 0) << length;
    }
}

TEST(FFMpegStreamDecoder, BadInputGivesEmptyArrays) {
    FFMpegStreamDecoder dec(320, 240);
    const uint8_t junk[64] = {0, 0, 0, 1, 0x65, 1, 2, 3};
    EXPECT_TRUE(dec.decodeBuf(nullptr, 10).isEmpty());
    EXPECT_TRUE(dec.decodeBuf(junk, 0).isEmpty());
    EXPECT_TRUE(dec.decodeBuf(junk, sizeof(junk)).isEmpty());
    FFMpegStreamDecoder released(320, 240);
    released.releaseResource();
    EXPECT_TRUE(released.decodeBuf(junk, sizeof(junk)).isEmpty());
}

}  // namespace
