#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

#include "ConvertTestMedia.h"
#include "SpatialMetaData.h"
#include "TestEnv.h"

using namespace ConvertTestMedia;

namespace {

QString folder() {
    static const QString dir = QString::fromStdString(TestEnv::makeDir("spatial"));
    return dir;
}

// An MP4 with "moov" last; `maps` picks and orders the streams of (video, sound).
QString makeClip(const QString& name, const QStringList& maps) {
    const QString path = folder() + "/" + name;
    QStringList args = {
        "-v", "error", "-y", "-f",      "lavfi", "-i", "testsrc=size=64x32:rate=27:d=1",
        "-f", "lavfi", "-i", "sine=d=1"};
    for (const QString& map : maps) args << "-map" << map;
    args << "-c:v"
         << "libx264"
         << "-c:a"
         << "aac" << path;
    bool ok = false;
    run("ffmpeg", args, &ok);
    EXPECT_TRUE(ok) << name.toStdString();
    return path;
}

unsigned be32(const QByteArray& bytes, int at) {
    return SpatialMetaData::bytesToInt(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

int topBox(const QByteArray& bytes, const char* type) {
    for (int pos = 0; pos + 8 <= bytes.size();) {
        if (bytes.mid(pos + 4, 4) == type) return pos;
        const unsigned size = be32(bytes, pos);
        pos += static_cast<int>(size == 1 ? be32(bytes, pos + 12) : size);
    }
    return -1;
}

// The positions of the boxes laid end to end in bytes [begin, end), up to the first that does
// not fit; `whole` tells whether they fill the range exactly.
std::vector<int> children(const QByteArray& bytes, int begin, int end, bool* whole = nullptr) {
    std::vector<int> found;
    int pos = begin;
    while (pos + 8 <= end) {
        const unsigned size = be32(bytes, pos);
        if (size < 8 || size > static_cast<unsigned>(end - pos)) break;
        found.push_back(pos);
        pos += static_cast<int>(size);
    }
    if (whole) *whole = pos == end;
    return found;
}

std::vector<int> childrenOf(const QByteArray& bytes, int box, bool* whole = nullptr) {
    return children(bytes, box + 8, box + static_cast<int>(be32(bytes, box)), whole);
}

bool isType(const QByteArray& bytes, int box, const char* type) {
    return bytes.mid(box + 4, 4) == type;
}

// The first "trak" under "moov" whose "mdia" has a "vide" handler, or -1.
int firstVideoTrak(const QByteArray& bytes, int moov) {
    for (int trak : childrenOf(bytes, moov)) {
        if (!isType(bytes, trak, "trak")) continue;
        for (int mdia : childrenOf(bytes, trak)) {
            if (!isType(bytes, mdia, "mdia")) continue;
            for (int hdlr : childrenOf(bytes, mdia))
                if (isType(bytes, hdlr, "hdlr") && bytes.mid(hdlr + 16, 4) == "vide") return trak;
        }
    }
    return -1;
}

// Where the box went: the first video "trak" grew by the box and ends with it, "moov" grew by
// the same size, and every other child of "moov" is unchanged.
void expectBoxEndsTheFirstVideoTrak(const QByteArray& before, const QByteArray& after) {
    const QByteArray uuid = QByteArray::fromStdString(SpatialMetaData::uuidBox());
    const int moovBefore = topBox(before, "moov"), moovAfter = topBox(after, "moov");
    ASSERT_GE(moovAfter, 0);
    EXPECT_EQ(be32(before, moovBefore) + 439, be32(after, moovAfter));
    const int trakBefore = firstVideoTrak(before, moovBefore);
    const int trakAfter = firstVideoTrak(after, moovAfter);
    ASSERT_GE(trakAfter, 0);
    EXPECT_EQ(be32(before, trakBefore) + 439, be32(after, trakAfter));
    bool whole = false;
    const std::vector<int> inTrak = childrenOf(after, trakAfter, &whole);
    EXPECT_TRUE(whole);
    ASSERT_FALSE(inTrak.empty());
    const int last = inTrak.back();
    EXPECT_EQ("uuid", after.mid(last + 4, 4).toStdString()) << "last child of the video trak";
    EXPECT_TRUE(after.mid(last, be32(after, last)) == uuid);
    const std::vector<int> inMoovBefore = childrenOf(before, moovBefore);
    const std::vector<int> inMoovAfter = childrenOf(after, moovAfter, &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(inMoovBefore.size(), inMoovAfter.size());
    for (size_t i = 0; i < inMoovBefore.size(); ++i) {
        if (inMoovAfter[i] == trakAfter) continue;
        EXPECT_EQ(before.mid(inMoovBefore[i], be32(before, inMoovBefore[i])),
                  after.mid(inMoovAfter[i], be32(after, inMoovAfter[i])))
            << "child " << i << " of moov";
    }
}

// A 64-bit-size "free" box placed right before "moov" (media offsets stay valid).
QString withLargeSizeBox(const QString& source) {
    QByteArray bytes = readAll(source);
    const int moov = topBox(bytes, "moov");
    QByteArray box(
        "\0\0\0\1free\0\0\0\0\0\0\0\x18"
        "12345678",
        24);
    bytes.insert(moov, box);
    const QString path = folder() + "/large.mp4";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QString outPath(const QString& name) { return folder() + "/out_" + name; }

}  // namespace

TEST(SpatialMetaData, BoxIsTheSphericalV1Layout) {
    const std::string& box = SpatialMetaData::uuidBox();
    ASSERT_EQ(439u, box.size());
    EXPECT_EQ(std::string("\0\0\x01\xb7uuid\xff\xcc\x82\x63", 12), box.substr(0, 12));
    EXPECT_EQ("<?xml version=\"1.0\"?><rdf:SphericalVideo\n", box.substr(24, 41));
    EXPECT_EQ(box.size() - 21, box.find("</rdf:SphericalVideo>"));
    EXPECT_NE(std::string::npos,
              box.find("<GSpherical:ProjectionType>equirectangular</GSpherical:ProjectionType>"));
}

TEST(SpatialMetaData, TableOfFiles) {
    const QString plain = makeClip("plain.mp4", {"0:v", "1:a"});
    struct Case {
        QString name;
        QString source;
    } cases[] = {
        {"plain", plain},
        {"sound first", makeClip("soundfirst.mp4", {"1:a", "0:v"})},
        {"two videos", makeClip("twovideos.mp4", {"0:v", "0:v", "1:a"})},
        {"64-bit box before moov", withLargeSizeBox(plain)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString out = outPath(QFileInfo(c.source).fileName());
        ASSERT_EQ(0, SpatialMetaData::addMetaDataToVideo(c.source, out));
        EXPECT_EQ(QFileInfo(c.source).size() + 439, QFileInfo(out).size());
        const QByteArray before = readAll(c.source);
        const QByteArray after = readAll(out);
        EXPECT_EQ(1, after.count(QByteArray::fromHex("ffcc8263f8554a93")));
        const QString side =
            QString::fromUtf8(run("ffprobe", {"-v", "error", "-show_entries",
                                              "stream=codec_type:stream_side_data", out}));
        EXPECT_EQ(1, side.count("Spherical Mapping")) << side.toStdString();
        EXPECT_TRUE(side.contains("equirectangular"));
        bool ok = false;
        EXPECT_EQ("", run("ffmpeg", {"-v", "error", "-i", out, "-f", "null", "-"}, &ok));
        EXPECT_TRUE(ok);
        // Everything before "moov" is copied byte for byte.
        const int moov = topBox(before, "moov");
        EXPECT_EQ(before.left(moov), after.left(moov));
        EXPECT_EQ(be32(before, moov) + 439, be32(after, moov));
        expectBoxEndsTheFirstVideoTrak(before, after);
    }
}

TEST(SpatialMetaData, FailuresGiveTheirCodeAndNoDestination) {
    const QString plain = makeClip("plain2.mp4", {"0:v", "1:a"});
    const QString soundOnly = makeClip("soundonly.mp4", {"1:a"});
    const QByteArray bytes = readAll(plain);
    const QString tinyBox = folder() + "/tiny.mp4";
    {
        QFile file(tinyBox);
        file.open(QIODevice::WriteOnly);
        file.write(bytes.left(topBox(bytes, "moov")));
        file.write(QByteArray("\0\0\0\4free", 8));  // size below its header
    }
    const QString truncated = folder() + "/truncated.mp4";
    {
        QFile file(truncated);
        file.open(QIODevice::WriteOnly);
        file.write(bytes.left(bytes.size() - 100));
    }
    struct Case {
        const char* name;
        QString source;
        QString target;
        int code;
    } cases[] = {
        {"missing source", folder() + "/none.mp4", outPath("none.mp4"), -30},
        {"unwritable destination", plain, folder() + "/no/such/dir.mp4", -4},
        {"no video track", soundOnly, outPath("soundonly.mp4"), -7},
        {"box smaller than its header", tinyBox, outPath("tiny.mp4"), -2},
        {"moov past the end", truncated, outPath("truncated.mp4"), -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.code, SpatialMetaData::addMetaDataToVideo(c.source, c.target));
        EXPECT_FALSE(QFileInfo::exists(c.target));
    }
}
