// Fisheye photo to 360 JPEG: EXIF carried over, XMP mark, thumbnails.
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include <libexif/exif-data.h>

#include "Jpeg360Xmp.h"
#include "LogCapture.h"
#include "Photo360Util.h"
#include "PictureFixtures.h"
#include "TestEnv.h"
#include "View360Thumbnail.h"

namespace {

QString scratch(const std::string& name) {
    static const std::string dir = TestEnv::makeDir("v360photo");
    return QString::fromStdString(dir + "/" + name);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void addEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, const void* bytes,
              unsigned components) {
    ExifEntry* e = exif_entry_new();
    e->tag = tag;
    e->format = format;
    e->components = components;
    e->size = exif_format_get_size(format) * components;
    e->data = static_cast<unsigned char*>(std::malloc(e->size));
    std::memcpy(e->data, bytes, e->size);
    exif_content_add_entry(data->ifd[ifd], e);
    exif_entry_unref(e);
}

// A Motorola-order EXIF block: Make, PixelXDimension as SHORT, PixelYDimension as LONG, and a
// thumbnail of `thumbnailBytes`.
QByteArray exifBlock(int thumbnailBytes) {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_MOTOROLA);
    addEntry(data, EXIF_IFD_0, EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, "UQO", 4);
    const unsigned char x[2] = {0x05, 0x00};              // 1280
    const unsigned char y[4] = {0x00, 0x00, 0x03, 0xC0};  // 960
    addEntry(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_FORMAT_SHORT, x, 1);
    addEntry(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_FORMAT_LONG, y, 1);
    addEntry(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII,
             "2024:05:06 07:08:09", 20);
    if (thumbnailBytes > 0) {
        data->data = static_cast<unsigned char*>(std::malloc(thumbnailBytes));
        std::memset(data->data, 0x5A, thumbnailBytes);
        data->data[0] = 0xFF;
        data->data[1] = 0xD8;
        data->size = thumbnailBytes;
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    QByteArray out(reinterpret_cast<char*>(bytes), int(size));
    std::free(bytes);
    exif_data_unref(data);
    return out;
}

// A 320 x 240 fisheye picture (grey outside a red circle), as JPEG with the given APP1 data.
QString fisheyeJpeg(const std::string& name, const QByteArray& exif) {
    QImage image(320, 240, QImage::Format_ARGB32);
    image.fill(Qt::darkGray);
    QPainter painter(&image);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QPoint(160, 120), 112, 112);
    painter.end();
    const QString plain = scratch(name + ".plain.jpg"), path = scratch(name);
    image.save(plain, "JPG", 95);
    QByteArray jpeg = readAll(plain);
    if (!exif.isEmpty()) {
        QByteArray segment("\xFF\xE1", 2);
        segment.append(char((exif.size() + 2) >> 8)).append(char((exif.size() + 2) & 0xFF));
        jpeg.insert(2, segment + exif);
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(jpeg);
    return path;
}

struct Segment {
    int marker;
    int length;
    QByteArray data;
};

// Segments from the start of image up to the start of scan; empty on a broken layout.
std::vector<Segment> segmentsOf(const QByteArray& jpeg) {
    std::vector<Segment> out;
    if (jpeg.size() < 4 || uchar(jpeg[0]) != 0xFF || uchar(jpeg[1]) != 0xD8) return {};
    int at = 2;
    while (at + 4 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xFF) return {};
        const int marker = uchar(jpeg[at + 1]);
        const int length = uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]);
        if (length < 2 || at + 2 + length > jpeg.size()) return {};
        out.push_back({marker, length, jpeg.mid(at + 4, length - 2)});
        if (marker == 0xDA) return out;
        at += 2 + length;
    }
    return {};
}

unsigned entryValue(ExifData* data, ExifTag tag) {
    ExifEntry* e = exif_data_get_entry(data, tag);
    if (!e) return 0;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    return e->format == EXIF_FORMAT_LONG ? exif_get_long(e->data, order)
                                         : exif_get_short(e->data, order);
}

std::string entryText(ExifData* data, ExifTag tag) {
    ExifEntry* e = exif_data_get_entry(data, tag);
    char buffer[64] = {0};
    return e ? exif_entry_get_value(e, buffer, sizeof buffer) : "";
}

}  // namespace

TEST(Photo360Util, CarriesTheExifOverWithTheNewPixelDimensions) {
    const QString src = fisheyeJpeg("exif.jpg", exifBlock(2000)), dst = scratch("exif360.jpg");
    ASSERT_EQ(Photo360Util::dewarp360Photo(dst, 800, 400, src, "", {}, false), 0);
    const QByteArray out = readAll(dst);
    const std::vector<Segment> segments = segmentsOf(out);
    ASSERT_GE(segments.size(), 3u);
    EXPECT_EQ(segments[0].marker, 0xE1);
    EXPECT_TRUE(segments[0].data.startsWith(QByteArray("Exif\0\0", 6)));
    EXPECT_TRUE(simpleIs360Jpg(dst.toUtf8().constData()));
    EXPECT_EQ(QImage(dst).size(), QSize(800, 400));

    ExifData* read = exif_data_new_from_file(dst.toUtf8().constData());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(entryValue(read, EXIF_TAG_PIXEL_X_DIMENSION), 800u);
    EXPECT_EQ(entryValue(read, EXIF_TAG_PIXEL_Y_DIMENSION), 400u);
    EXPECT_EQ(entryText(read, EXIF_TAG_MAKE), "UQO");
    EXPECT_EQ(entryText(read, EXIF_TAG_DATE_TIME_ORIGINAL), "2024:05:06 07:08:09");
    EXPECT_EQ(read->size, 2000u);
    exif_data_unref(read);
}

TEST(Photo360Util, OversizedExifLosesItsThumbnailAndStaysAValidJpeg) {
    LogCapture& log = LogCapture::install();
    // Fits its source segment, but the saved block grows by the mandatory entries libexif adds
    // on load (about 150 bytes) past one segment.
    const QByteArray exif = exifBlock(65300);
    ASSERT_LE(exif.size(), 65533);
    const QString src = fisheyeJpeg("bigexif.jpg", exif), dst = scratch("bigexif360.jpg");
    ASSERT_EQ(Photo360Util::dewarp360Photo(dst, 400, 200, src, "", {}, false), 0);
    const std::vector<Segment> segments = segmentsOf(readAll(dst));
    ASSERT_FALSE(segments.empty());
    EXPECT_FALSE(QImage(dst).isNull());
    ExifData* read = exif_data_new_from_file(dst.toUtf8().constData());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(entryValue(read, EXIF_TAG_PIXEL_X_DIMENSION), 400u);
    EXPECT_EQ(read->size, 0u);
    exif_data_unref(read);
    EXPECT_EQ(log.count("P360Util", "EXIF data of " + src.toStdString() +
                                        " too large, its thumbnail is dropped."),
              1);
}

TEST(Photo360Util, SourceWithoutExifGivesNoExifSegment) {
    LogCapture& log = LogCapture::install();
    const QString src = fisheyeJpeg("noexif.jpg", QByteArray()), dst = scratch("noexif360.jpg");
    ASSERT_EQ(Photo360Util::dewarp360Photo(dst, 400, 200, src, "", {}, true), 0);
    EXPECT_EQ(log.count("P360Util", "No EXIF data available for original fisheye image - " +
                                        src.toStdString() + "!"),
              1);
    for (const Segment& s : segmentsOf(readAll(dst)))
        EXPECT_FALSE(s.marker == 0xE1 && s.data.startsWith("Exif")) << "EXIF segment";
    EXPECT_TRUE(simpleIs360Jpg(dst.toUtf8().constData()));
}

TEST(Photo360Util, FailuresAndRefusedRequests) {
    const QString missing = scratch("missing.jpg");
    QImage out;
    EXPECT_EQ(Photo360Util::dewarp360Photo(scratch("x.jpg"), 400, 200, missing, "", {}, false),
              -12);
    EXPECT_EQ(Photo360Util::getThumbnailFromSrcPhoto(missing, 400, 200, 90, &out), -1);
    EXPECT_EQ(Photo360Util::getThumbnailFrom360Photo(missing, 400, 200, 90, &out), -1);
    const QString src = fisheyeJpeg("angles.jpg", QByteArray());
    for (int angle : {0, -90, 361})
        EXPECT_EQ(Photo360Util::getThumbnailFromSrcPhoto(src, 400, 200, angle, &out), -22) << angle;
    EXPECT_EQ(View360Thumbnail::equirectWidth(400, 90), 1600);
}

// A JPEG of headers only that declares 20000 x 20000 pixels (1.6 GB as ARGB), as photo and as
// pattern: refused before any decoding, by every entry.
TEST(Photo360Util, PicturesDeclaringAHugeSizeAreRefusedUnread) {
    LogCapture& log = LogCapture::install();
    const QByteArray header = jpegHeadersDeclaring(20000, 20000);
    const QString huge = scratch("huge.jpg");
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header);
    file.close();
    const std::string refused = "Picture too large: 20000x20000, " + huge.toStdString();
    QImage out;
    EXPECT_EQ(Photo360Util::getThumbnailFromSrcPhoto(huge, 400, 200, 90, &out), -1);
    EXPECT_EQ(Photo360Util::getThumbnailFrom360Photo(huge, 400, 200, 90, &out), -1);
    EXPECT_EQ(Photo360Util::dewarp360Photo(scratch("huge360.jpg"), 400, 200, huge, "", {}, false),
              -12);
    EXPECT_EQ(log.count("P360Util", refused), 3);

    const QString src = fisheyeJpeg("hugepattern.jpg", QByteArray());
    EXPECT_EQ(
        Photo360Util::dewarp360Photo(scratch("hugepattern360.jpg"), 400, 200, src, huge, {}, false),
        0);
    EXPECT_EQ(log.count("P360Util", refused), 4);
}

TEST(Photo360Util, ThumbnailsWithoutALensAreBlackNotGarbage) {
    // The view dewarp's lens is never set here, so it draws nothing.
    const QString src = fisheyeJpeg("thumb.jpg", QByteArray());
    QImage out;
    ASSERT_EQ(Photo360Util::getThumbnailFromSrcPhoto(src, 400, 200, 90, &out), 0);
    ASSERT_EQ(out.size(), QSize(400, 200));
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 400; x += 7) ASSERT_EQ(out.pixel(x, y), 0xFF000000u) << x << "," << y;
}

TEST(Photo360Util, ThumbnailOfAn360PhotoCropsTheMiddle) {
    QImage equirect(720, 360, QImage::Format_ARGB32);
    equirect.fill(Qt::blue);
    QPainter(&equirect).fillRect(270, 90, 180, 180, Qt::green);  // the middle 90 degrees
    const QString path = scratch("equirect.png");
    equirect.save(path);
    QImage out;
    ASSERT_EQ(Photo360Util::getThumbnailFrom360Photo(path, 200, 200, 90, &out), 0);
    ASSERT_EQ(out.size(), QSize(200, 200));
    EXPECT_EQ(out.pixel(100, 100), QColor(Qt::green).rgba());
    EXPECT_EQ(out.pixel(5, 100), QColor(Qt::green).rgba());
}
