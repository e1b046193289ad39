#include "Photo360Util.h"

#include <cstdlib>
#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <libexif/exif-data.h>

#include "Dewarp360.h"
#include "ExifUtf8.h"
#include "Jpeg360Xmp.h"
#include "LogSystem.h"
#include "QtFileUtil.h"
#include "ResultCode.h"
#include "Text360Info.h"
#include "VideoRotationFeeder.h"
#include "View360Thumbnail.h"

namespace {

const char* const kTag = "P360Util";
constexpr int kMaxSegmentData = 65533;  // a JPEG segment length counts itself (2 bytes)

QImage loadPicture(const QString& path) { return loadPictureWithinLimit(path, kTag); }

QString attitudeFileOf(const QString& photoPath) {
    const QFileInfo info(photoPath);
    const QString name = info.completeBaseName() + ".eye";
    for (const QString& candidate :
         {info.dir().filePath(name), info.dir().filePath("AppView/" + name)}) {
        if (QFileInfo(candidate).isFile()) return candidate;
    }
    return QString();
}

void fillRotationData(QString photoPath, double rot[3][3], bool logErrors) {
    const QByteArray eye = attitudeFileOf(photoPath).toUtf8();
    std::unique_ptr<VideoRotationFeeder> feeder(
        VideoRotationFeeder::newVRFeeder(eye.constData(), logErrors));
    feeder->prepareFilteredRotationData(0, -1);
    feeder->fillRotationData(0, rot);
}

// Writes `value` into the first entry with `tag` in IFD 0 to 4, keeping the entry's format.
void setDimension(ExifData* data, ExifTag tag, int value) {
    const ExifByteOrder order = exif_data_get_byte_order(data);
    for (int ifd = EXIF_IFD_0; ifd <= EXIF_IFD_INTEROPERABILITY; ++ifd) {
        ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
        if (!entry || !entry->data) continue;
        if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4)
            exif_set_long(entry->data, order, static_cast<ExifLong>(value));
        else if (entry->size >= 2)
            exif_set_short(entry->data, order, static_cast<ExifShort>(value));
        return;
    }
}

struct SavedExif {
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    ~SavedExif() { std::free(bytes); }
};

// The source EXIF with the new pixel dimensions, as APP1 segment data; the embedded thumbnail
// is dropped when the block would not fit one segment. False without a block that fits.
bool exifSegmentOf(const QString& srcPath, int width, int height, SavedExif* saved) {
    ExifData* data = exif_data_new_from_file_utf8(srcPath.toUtf8().constData());
    if (!data) {
        LogSystem::w(kTag, "No EXIF data available for original fisheye image - %s!",
                     srcPath.toUtf8().constData());
        return false;
    }
    setDimension(data, static_cast<ExifTag>(0xA002), width);
    setDimension(data, static_cast<ExifTag>(0xA003), height);
    exif_data_save_data(data, &saved->bytes, &saved->size);
    if (saved->size > kMaxSegmentData && data->data) {
        LogSystem::w(kTag, "EXIF data of %s too large, its thumbnail is dropped.",
                     srcPath.toUtf8().constData());
        std::free(data->data);
        data->data = nullptr;
        data->size = 0;
        std::free(saved->bytes);
        saved->bytes = nullptr;
        exif_data_save_data(data, &saved->bytes, &saved->size);
    }
    exif_data_unref(data);
    if (saved->bytes && saved->size > 0 && saved->size <= kMaxSegmentData) return true;
    LogSystem::w(kTag, "EXIF data of %s does not fit a JPEG segment, it is left out.",
                 srcPath.toUtf8().constData());
    return false;
}

// SOI, the APP1 EXIF segment when the source has one, then the rest of `jpeg`.
bool copyWithExif(QFile& jpeg, QFile& out, const QString& srcPath, int width, int height) {
    const QByteArray soi = jpeg.read(2);
    if (soi.size() != 2 || out.write(soi) != 2) return false;
    SavedExif exif;
    if (exifSegmentOf(srcPath, width, height, &exif)) {
        const unsigned length = exif.size + 2;
        const char head[4] = {char(0xFF), char(0xE1), char(length >> 8), char(length & 0xFF)};
        if (out.write(head, 4) != 4) return false;
        if (out.write(reinterpret_cast<const char*>(exif.bytes), exif.size) != exif.size)
            return false;
    }
    while (!jpeg.atEnd()) {
        const QByteArray block = jpeg.read(4096);
        if (block.isEmpty() || out.write(block) != block.size()) return false;
    }
    return out.flush();
}

void drawPhoto(const QImage& src, QImage* dst, const double rot[3][3], const QString& pattern,
               List<Text360Info*>& texts) {
    const QImage patch = pattern.isEmpty() ? QImage() : loadPicture(pattern);
    const double radius = std::min(src.width(), src.height()) / 2.0 * 14 / 15;
    const double cx = src.width() / 2.0, cy = src.height() / 2.0;
    if (patch.isNull())
        dewarp(src.constBits(), dst->bits(), src.width(), src.height(), cx, cy, radius, &rot[0][0],
               dst->width(), dst->height(), static_cast<int>(0xFF000000u));
    else
        dewarp(src.constBits(), dst->bits(), src.width(), src.height(), cx, cy, radius, &rot[0][0],
               dst->width(), dst->height(), patch.constBits(), patch.width(), patch.height());
    for (Text360Info* text : texts) text->fillTextImage(dst->bits(), dst->width(), dst->height());
}

}  // namespace

int Photo360Util::getThumbnailFromSrcPhoto(QString path, int width, int height, int viewAngle,
                                           QImage* out) {
    if (!View360Thumbnail::isValidRequest(width, height, viewAngle))
        return View360Thumbnail::kBadRequest;
    const QImage picture = loadPicture(path);
    if (picture.isNull()) return -1;
    double rot[3][3];
    fillRotationData(path, rot, false);
    *out = View360Thumbnail::fromFisheye(picture.constBits(), picture.width(), picture.height(),
                                         rot, width, height, viewAngle);
    return 0;
}

int Photo360Util::getThumbnailFrom360Photo(QString path, int width, int height, int viewAngle,
                                           QImage* out) {
    if (!View360Thumbnail::isValidRequest(width, height, viewAngle))
        return View360Thumbnail::kBadRequest;
    const QImage picture = loadPicture(path);
    if (picture.isNull()) return -1;
    *out = View360Thumbnail::fromEquirect(picture.constBits(), picture.width(), picture.height(),
                                          width, height, viewAngle);
    return 0;
}

int Photo360Util::dewarp360Photo(QString dstPath, int width, int height, QString srcPath,
                                 QString patternPath, List<Text360Info*> texts, bool useAttitude) {
    const QImage src = loadPicture(srcPath);
    if (src.isNull()) return ResultCode::kIoError;
    if (!View360Thumbnail::isValidRequest(width, height, 360)) return View360Thumbnail::kBadRequest;
    double rot[3][3];
    if (useAttitude)
        fillRotationData(srcPath, rot, true);
    else
        VideoRotationFeeder::fillStandardRData(rot);
    QImage dst = View360Thumbnail::newBlackImage(width, height);
    if (dst.isNull()) return View360Thumbnail::kBadRequest;
    drawPhoto(src, &dst, rot, patternPath, texts);

    QTemporaryFile plain, withExif;
    if (!plain.open() || !dst.save(&plain, "JPG", 90) || !plain.seek(0) || !withExif.open() ||
        !copyWithExif(plain, withExif, srcPath, width, height))
        return ResultCode::kCannotOpen;
    withExif.close();
    const int appended = simpleAppend360Metadata2JpgFile(withExif.fileName().toUtf8().constData(),
                                                         dstPath.toUtf8().constData());
    if (appended < 0) {
        LogSystem::e(kTag, "Cannot append 360 XMP data!");
        return appended;
    }
    return 0;
}
