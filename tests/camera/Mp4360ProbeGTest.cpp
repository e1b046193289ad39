// 360 MP4 probes on an FFmpeg clip with an inserted spherical box and on hand-made box trees.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "CameraFixtures.h"
#include "Mp4360Probe.h"
#include "TestEnv.h"

using namespace CameraFixtures;

namespace {

const char kSphericalId[] = "\xff\xcc\x82\x63\xf8\x55\x4a\x93\x88\x14\x58\x7a\x02\x52\x1f\xdd";

std::string be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

uint32_t readBe32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

std::string box(const std::string& type, const std::string& body) {
    return be32(static_cast<uint32_t>(body.size() + 8)) + type + body;
}

std::string sphericalBox(const std::string& projection) {
    return box("uuid", std::string(kSphericalId, 16) +
                           "<rdf:SphericalVideo><GSpherical:ProjectionType>" + projection +
                           "</GSpherical:ProjectionType></rdf:SphericalVideo>");
}

std::string ftyp() { return box("ftyp", "isom\0\0\0\x01isom"); }

// Position of the first child of `type` within [from, end), or npos.
size_t findBox(const std::string& s, size_t from, size_t end, const std::string& type) {
    for (size_t at = from; at + 8 <= end;) {
        const uint32_t size = readBe32(s, at);
        if (s.compare(at + 4, 4, type) == 0) return at;
        if (size < 8) break;
        at += size;
    }
    return std::string::npos;
}

// Appends `child` as the last box of the first "trak" of "moov", fixing both sizes. The mdat
// comes before moov in FFmpeg's output, so no chunk offset moves.
std::string insertIntoFirstTrack(std::string mp4, const std::string& child) {
    const size_t moov = findBox(mp4, 0, mp4.size(), "moov");
    const size_t trak = findBox(mp4, moov + 8, moov + readBe32(mp4, moov), "trak");
    const uint32_t trakSize = readBe32(mp4, trak);
    mp4.insert(trak + trakSize, child);
    mp4.replace(trak, 4, be32(trakSize + static_cast<uint32_t>(child.size())));
    mp4.replace(moov, 4, be32(readBe32(mp4, moov) + static_cast<uint32_t>(child.size())));
    return mp4;
}

std::string ffmpegClip() {
    const std::string path = TestEnv::root() + "/clip.mp4";
    const std::string command =
        "/usr/bin/ffmpeg -v error -y -f lavfi -i testsrc=size=64x32:rate=10 -t 0.5 -c:v mpeg4 '" +
        path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readFile(path);
}

}  // namespace

TEST(Mp4360Probe, FFmpegClipWithSphericalBox) {
    const std::string clip = ffmpegClip();
    ASSERT_NE(findBox(clip, 0, clip.size(), "moov"), std::string::npos);
    const std::string plain = writeFile("plain.mp4", clip);
    const std::string full =
        writeFile("full.mp4", insertIntoFirstTrack(clip, sphericalBox("equirectangular")));
    const std::string half =
        writeFile("half.mp4", insertIntoFirstTrack(clip, sphericalBox("half_equirectangular")));
    EXPECT_EQ(simpleIs360Or180Mp4(plain.c_str()), 0);
    EXPECT_EQ(simpleIs360Mp4(plain.c_str()), 0);
    EXPECT_EQ(simpleIs360Or180Mp4(full.c_str()), 1);
    EXPECT_EQ(simpleIs360Mp4(full.c_str()), 1);
    EXPECT_EQ(simpleIs360Or180Mp4(half.c_str()), 2);
    EXPECT_EQ(simpleIs360Mp4(half.c_str()), 1);
}

TEST(Mp4360Probe, BoxTreeTable) {
    const std::string tkhd = box("tkhd", std::string(20, '\0'));
    const std::string otherUuid = box("uuid", std::string(16, '\x11') + "equirectangular");
    const std::string sphere = sphericalBox("equirectangular");
    const std::string large = be32(1) + "free" + std::string(7, '\0') + "\x18" + "12345678";
    struct Case {
        const char* what;
        std::string bytes;
        int is360, is360Or180;
    };
    const Case cases[] = {
        {"no moov", ftyp() + box("mdat", "xx"), 0, -1},
        {"moov without track", ftyp() + box("moov", box("mvhd", "x")), 0, -1},
        {"track without mark", ftyp() + box("moov", box("trak", tkhd)), 0, 0},
        {"mark in the track", ftyp() + box("moov", box("trak", tkhd + sphere)), 1, 1},
        {"mark after a 64-bit box", large + box("moov", box("trak", sphere)), 1, 1},
        {"other uuid", ftyp() + box("moov", box("trak", otherUuid)), 0, 0},
        {"mark in the second track", ftyp() + box("moov", box("trak", tkhd) + box("trak", sphere)),
         1, 0},
        {"mark outside a track", ftyp() + box("moov", sphere + box("trak", tkhd)), 0, 0},
        {"child of size 0", ftyp() + box("moov", box("trak", be32(0) + "tkhd" + sphere)), 0, 0},
        {"child of size 4", ftyp() + box("moov", box("trak", be32(4) + "tkhd" + sphere)), 0, 0},
        {"child past its track", ftyp() + box("moov", box("trak", be32(400) + "tkhd") + sphere), 0,
         0},
        {"uuid claiming 2 GB",
         ftyp() +
             box("moov", box("trak", be32(0x7fffffff) + "uuid" + std::string(kSphericalId, 16))),
         0, 0},
        {"moov past the file end", ftyp() + be32(5000) + "moov" + box("trak", sphere), 0, -1},
        {"top-level size 3", be32(3) + "ftyp" + box("moov", box("trak", sphere)), 0, -1},
        {"empty file", "", 0, -1}};
    for (const Case& c : cases) {
        const std::string path = writeFile("tree.mp4", c.bytes);
        EXPECT_EQ(simpleIs360Mp4(path.c_str()), c.is360) << c.what;
        EXPECT_EQ(simpleIs360Or180Mp4(path.c_str()), c.is360Or180) << c.what;
    }
    EXPECT_EQ(simpleIs360Mp4("/no/such.mp4"), 0);
    EXPECT_EQ(simpleIs360Or180Mp4("/no/such.mp4"), -1);
}
