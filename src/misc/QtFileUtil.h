#pragma once

#include <QImage>
#include <QJsonDocument>
#include <QString>
#include <QtGlobal>

class SimpleJsonObj;

// File utilities over Qt. Paths are QString; sizes in bytes. Not tied to a thread, but each
// call works on the file system unlocked: callers keep concurrent calls on different paths.

// Whether `path` exists and is a file.
bool fileExists(const QString& path);

// Copies the folder `src` into `dst` recursively: sub-folders are created with all missing
// parents, files copied with QFile::copy (existing targets are kept, failures ignored).
// Hidden entries and symbolic links are skipped, so a link cycle cannot recurse.
void copyPath(const QString& src, const QString& dst);

// Bytes of all files under `path`, hidden and system ones included; symbolic links are not
// followed (neither counted nor entered).
qint64 dirSize(const QString& path);

// "%0 %1": the size in the largest unit of Bytes, KB, MB, GB, TB, PB that keeps it below
// 1024, with two decimals ("1.50 KB", "100.00 Bytes").
QString formatSize(qint64 bytes);

// The document of an existing file; an empty one for anything else. A parse error is logged
// (tag "fileUtil") and the parser's document returned.
QJsonDocument loadJson(const QString& path);

// The parsed object of an existing file (the caller deletes it), or null when the path is
// not a file or does not parse.
SimpleJsonObj* loadSimpleJson(const QString& path);

// Writes the document indented, creating the file's folder when missing; true when all of
// it was written.
bool saveJson(const QJsonDocument& document, const QString& path);

// `name` when folder/name is not an existing file, else the first free base_n.suffix for
// n = 1, 2, ... (base: the name up to its first '.', suffix: after its last '.'; a name
// without '.' gives name_n).
QString findUniqueName(const QString& folder, const QString& name);

// `name` when parent/name does not exist, else the first name_n (n = 1, 2, ...) that does not
// exist there as file or folder.
QString findUniqueFolder(const QString& parent, const QString& name);

// Largest side, in pixels, of a picture read by loadPictureWithinLimit.
constexpr int kMaxPictureSide = 16384;

// The picture at `path` as ARGB32, decoded only when neither declared side exceeds
// kMaxPictureSide (a header alone can ask for gigabytes); a refusal is logged under `tag`.
// A null image when refused or unreadable.
QImage loadPictureWithinLimit(const QString& path, const char* tag);

// The image scaled smoothly to cover width x height (aspect ratio kept), then cut to the
// centred width x height rectangle; a null image for a null input.
QImage centerCropImage(const QImage& image, int width, int height);

// Re-compresses `path` in place through `tempPath`, by the suffix of `path` (letter case
// ignored): "mp4" with FFMpegUtil::compressV2(path, tempPath, quality, width, height) (quality
// is the bit rate), "jpg" by saving the image as JPEG with the quality (1..100, else 50);
// other suffixes do nothing. The result replaces `path` only after it has been copied in
// full beside it (then renamed over it) and `tempPath` is removed; a failure at any step
// keeps `path` (and `tempPath`) as they were. True when `path` was replaced.
bool compress(const QString& path, const QString& tempPath, int quality, int width, int height);

// Upper-case hexadecimal MD5 of at most the first 10,485,760 bytes of the file (by design, so
// large files hash quickly); an empty text when the file cannot be opened.
QString toMd5(const QString& path);
