// The 360 XMP mark on JPEGs written by Qt, with and without EXIF.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include "CameraFixtures.h"
#include "Jpeg360Xmp.h"
#include "TestEnv.h"

using namespace CameraFixtures;

namespace {

const char kXmpId[] = "http://ns.adobe.com/xap/1.0/";

struct Segment {
    int marker;
    size_t offset;  // of the 0xFF
    int length;     // the big-endian length field
};

// The segments from after SOI up to the first one that is not APPn.
std::vector<Segment> leadingSegments(const std::string& jpeg) {
    std::vector<Segment> out;
    size_t at = 2;
    while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const int marker = static_cast<unsigned char>(jpeg[at + 1]);
        const int length = static_cast<unsigned char>(jpeg[at + 2]) << 8 |
                           static_cast<unsigned char>(jpeg[at + 3]);
        out.push_back({marker, at, length});
        if (marker < 0xE0 || marker > 0xEF) break;
        at += 2 + length;
    }
    return out;
}

bool isXmp(const std::string& jpeg, const Segment& s) {
    return s.marker == 0xE1 &&
           jpeg.compare(s.offset + 4, sizeof(kXmpId), kXmpId, sizeof(kXmpId)) == 0;
}

std::string qtJpeg() {
    QImage image(40, 24, QImage::Format_RGB32);
    image.fill(Qt::darkMagenta);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

std::string segment(int marker, const std::string& body) {
    const size_t length = body.size() + 2;
    return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF)} +
           body;
}

const char kMake[] = "Quendra Trelliq";

std::string exifSegment() {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* make = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], make);
    make->tag = EXIF_TAG_MAKE;
    make->format = EXIF_FORMAT_ASCII;
    make->components = make->size = sizeof(kMake);
    make->data = static_cast<unsigned char*>(std::malloc(make->size));
    std::memcpy(make->data, kMake, make->size);
    exif_entry_unref(make);
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    exif_data_unref(data);
    const std::string block(reinterpret_cast<char*>(saved), size);
    std::free(saved);
    return segment(0xE1, block);
}

// SOI, Qt's APP0, an Exif APP1, then the rest of Qt's JPEG.
std::string jpegWithExif() {
    const std::string jpeg = qtJpeg();
    const std::vector<Segment> s = leadingSegments(jpeg);
    const size_t afterApp0 = s[0].offset + 2 + s[0].length;
    return jpeg.substr(0, afterApp0) + exifSegment() + jpeg.substr(afterApp0);
}

std::string outPath(const std::string& name) { return TestEnv::root() + "/" + name; }

std::string insert360(const std::string& srcPath, const std::string& name, int expected = 0) {
    const std::string dst = outPath(name);
    EXPECT_EQ(simpleAppend360Metadata2JpgFile(srcPath.c_str(), dst.c_str()), expected);
    return dst;
}

}  // namespace

TEST(Jpeg360Xmp, BlockLandsAfterTheAppSegments) {
    const std::string src = writeFile("exif.jpg", jpegWithExif());
    EXPECT_FALSE(simpleIs360Jpg(src.c_str()));
    const std::string dst = insert360(src, "exif360.jpg");
    EXPECT_TRUE(simpleIs360Jpg(dst.c_str()));

    const std::string in = readFile(src), out = readFile(dst);
    const std::vector<Segment> s = leadingSegments(out);
    ASSERT_EQ(s.size(), 4u);  // APP0, Exif APP1, XMP APP1, first table
    EXPECT_EQ(s[0].marker, 0xE0);
    EXPECT_FALSE(isXmp(out, s[1]));
    ASSERT_TRUE(isXmp(out, s[2]));
    EXPECT_EQ(s[2].length, 404);
    EXPECT_EQ(out.size(), in.size() + 406);
    EXPECT_EQ(out.substr(0, s[2].offset), in.substr(0, s[2].offset));
    EXPECT_EQ(out.substr(s[2].offset + 406), in.substr(s[2].offset));
    const std::string packet = out.substr(s[2].offset + 4 + 29, 373);
    EXPECT_EQ(packet.rfind("<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>", 0), 0u);
    EXPECT_NE(packet.find("<GPano:ProjectionType>equirectangular</GPano:ProjectionType>"),
              std::string::npos);
    EXPECT_EQ(packet.substr(packet.size() - 19), "<?xpacket end=\"w\"?>");

    // libexif and Qt still read the result.
    ExifData* exif = exif_data_new_from_file(dst.c_str());
    ASSERT_NE(exif, nullptr);
    ExifEntry* make = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_MAKE);
    ASSERT_NE(make, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(make->data), kMake);
    exif_data_unref(exif);
    EXPECT_EQ(QImage(QString::fromStdString(dst)).size(), QSize(40, 24));
}

TEST(Jpeg360Xmp, SecondInsertReplacesTheOldBlock) {
    const std::string first = insert360(writeFile("twice.jpg", jpegWithExif()), "twice1.jpg");
    const std::string second = insert360(first, "twice2.jpg");
    EXPECT_EQ(readFile(second), readFile(first));

    // An earlier XMP block without the mark is dropped too.
    const std::string jpeg = qtJpeg();
    const std::string oldXmp = segment(0xE1, std::string(kXmpId, sizeof(kXmpId)) + "<x/>");
    const std::string src = writeFile("oldxmp.jpg", jpeg.substr(0, 2) + oldXmp + jpeg.substr(2));
    EXPECT_FALSE(simpleIs360Jpg(src.c_str()));
    const std::string out = readFile(insert360(src, "oldxmp360.jpg"));
    int xmpBlocks = 0;
    for (const Segment& s : leadingSegments(out)) xmpBlocks += isXmp(out, s);
    EXPECT_EQ(xmpBlocks, 1);
    EXPECT_EQ(out.size(), jpeg.size() + 406);
}

TEST(Jpeg360Xmp, JpegWithoutAppSegments) {
    const std::string jpeg = qtJpeg();
    const std::vector<Segment> s = leadingSegments(jpeg);
    ASSERT_EQ(s[0].marker, 0xE0);
    const std::string bare = jpeg.substr(0, 2) + jpeg.substr(s[1].offset);
    const std::string out = readFile(insert360(writeFile("bare.jpg", bare), "bare360.jpg"));
    ASSERT_EQ(leadingSegments(out).size(), 2u);
    EXPECT_TRUE(isXmp(out, leadingSegments(out)[0]));
    EXPECT_EQ(leadingSegments(out)[0].offset, 2u);
    EXPECT_EQ(out.substr(408), bare.substr(2));
}

TEST(Jpeg360Xmp, HalfSphereBlock) {
    const std::string src = writeFile("half.jpg", jpegWithExif());
    const std::string dst = outPath("half180.jpg");
    ASSERT_EQ(simpleAppend180Metadata2JpgFile(src.c_str(), dst.c_str(), 1, 2), 0);
    EXPECT_TRUE(simpleIs360Jpg(dst.c_str()));
    const std::string out = readFile(dst);
    const Segment xmp = leadingSegments(out)[2];
    ASSERT_TRUE(isXmp(out, xmp));
    EXPECT_EQ(xmp.length, 851);
    const std::string body = out.substr(xmp.offset + 4, 849);
    const size_t viewer = body.find("<GPano:UsePanoramaViewer>True</GPano:UsePanoramaViewer>");
    const size_t full = body.find("<GPano:FullPanoHeightPixels>2048</GPano:FullPanoHeightPixels>");
    EXPECT_NE(viewer, std::string::npos);
    EXPECT_NE(full, std::string::npos);
    EXPECT_LT(viewer, full);
    EXPECT_EQ(body.substr(body.size() - 19), "<?xpacket end=\"w\"?>");
}

TEST(Jpeg360Xmp, BrokenInputs) {
    const std::string jpeg = jpegWithExif();
    struct Case {
        std::string bytes;
        int result;
        size_t kept;  // bytes of the target
    };
    const Case cases[] = {{jpeg.substr(0, 5), -8, 5},
                          {jpeg.substr(0, 2), -8, 2},
                          {"\xFF", -8, 1},
                          {"", -8, 0},
                          {jpeg.substr(0, 2) + "\xFF\xE1\x00\x01" + jpeg.substr(2), -8, 0},
                          {jpeg.substr(0, 30), -8, 0}};
    for (const Case& c : cases) {
        const std::string dst =
            insert360(writeFile("broken.jpg", c.bytes), "broken360.jpg", c.result);
        if (c.kept > 0) {
            EXPECT_EQ(readFile(dst), c.bytes.substr(0, c.kept));
        }
        EXPECT_FALSE(simpleIs360Jpg(dst.c_str()));
    }
    EXPECT_EQ(simpleAppend360Metadata2JpgFile("/no/such.jpg", outPath("x.jpg").c_str()), -30);
    const std::string src = writeFile("ok.jpg", jpeg);
    EXPECT_EQ(simpleAppend360Metadata2JpgFile(src.c_str(), "/no/dir/x.jpg"), -4);
    EXPECT_FALSE(simpleIs360Jpg("/no/such.jpg"));
}
