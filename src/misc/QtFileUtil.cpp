#include "QtFileUtil.h"

#include <cstdio>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonParseError>
#include <QStringList>

#include "EJsonError.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "SimpleJsonObj.h"

namespace {

const qint64 kMd5Limit = 10485760;
const qint64 kMd5Chunk = 10240;

// The whole content of an existing file, or an empty array.
QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

// Copies `from` beside `to` and renames the copy over `to`, so `to` is either the old file or
// the complete new one.
bool replaceFile(const QString& to, const QString& from) {
    const QString staging = to + ".compressing";
    QFile::remove(staging);
    if (!QFile::copy(from, staging)) {
        QFile::remove(staging);
        return false;
    }
    if (std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(to).constData()) !=
        0) {
        QFile::remove(staging);
        return false;
    }
    return true;
}

bool compressJpeg(const QString& path, const QString& tempPath, const QByteArray& format,
                  int quality) {
    QImage image(path);
    if (image.isNull()) return false;
    return image.save(tempPath, format.constData(), quality >= 1 && quality <= 100 ? quality : 50);
}

}  // namespace

bool fileExists(const QString& path) {
    QFileInfo info(path);
    return info.exists() && info.isFile();
}

void copyPath(const QString& src, const QString& dst) {
    QDir dir(src);
    if (!dir.exists()) return;
    const QString sep = QDir::separator();
    const QDir::Filters folders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    for (const QString& name : dir.entryList(folders)) {
        const QString target = dst + sep + name;
        QDir().mkpath(target);
        copyPath(src + sep + name, target);
    }
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoSymLinks))
        QFile::copy(src + sep + name, dst + sep + name);
}

qint64 dirSize(const QString& path) {
    QDir dir(path);
    const QDir::Filters common = QDir::Hidden | QDir::System | QDir::NoSymLinks;
    qint64 size = 0;
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | common)) size += file.size();
    for (const QFileInfo& sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | common))
        size += dirSize(sub.filePath());
    return size;
}

QString formatSize(qint64 bytes) {
    static const char* const units[] = {"Bytes", "KB", "MB", "GB", "TB", "PB"};
    const int last = static_cast<int>(sizeof units / sizeof units[0]) - 1;
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < last) {
        value *= 1.0 / 1024.0;
        ++unit;
    }
    return QString("%0 %1").arg(value, 0, 'f', 2).arg(units[unit]);
}

QJsonDocument loadJson(const QString& path) {
    if (!fileExists(path)) return QJsonDocument();
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(readWhole(path), &error);
    if (error.error != QJsonParseError::NoError)
        LogSystem::e("fileUtil", "parse json failed: %s, error:%d, offset:%d",
                     error.errorString().toUtf8().constData(), static_cast<int>(error.error),
                     error.offset);
    return document;
}

SimpleJsonObj* loadSimpleJson(const QString& path) {
    if (!fileExists(path)) return nullptr;
    try {
        return SimpleJsonObj::parseAndGenerate(readWhole(path).constData());
    } catch (const EJsonError&) {
        return nullptr;
    }
}

bool saveJson(const QJsonDocument& document, const QString& path) {
    QFileInfo info(path);
    QDir folder = info.absoluteDir();
    if (!folder.exists()) folder.mkpath(".");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray text = document.toJson(QJsonDocument::Indented);
    return file.write(text) == text.size();
}

QString findUniqueName(const QString& folder, const QString& name) {
    if (!fileExists(folder + "/" + name)) return name;
    const int firstDot = name.indexOf('.');
    const QString base = firstDot < 0 ? name : name.left(firstDot);
    const QString ending = firstDot < 0 ? QString() : "." + name.mid(name.lastIndexOf('.') + 1);
    for (int n = 1;; ++n) {
        const QString candidate = base + "_" + QString::number(n) + ending;
        if (!fileExists(folder + "/" + candidate)) return candidate;
    }
}

QString findUniqueFolder(const QString& parent, const QString& name) {
    if (!QFileInfo::exists(parent + "/" + name)) return name;
    for (int n = 1;; ++n) {
        const QString candidate = name + "_" + QString::number(n);
        if (!QFileInfo::exists(parent + "/" + candidate)) return candidate;
    }
}

QImage loadPictureWithinLimit(const QString& path, const char* tag) {
    QImageReader reader(path);
    const QSize declared = reader.size();
    if (declared.width() > kMaxPictureSide || declared.height() > kMaxPictureSide) {
        LogSystem::e(tag, "Picture too large: %dx%d, %s", declared.width(), declared.height(),
                     path.toUtf8().constData());
        return QImage();
    }
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

QImage centerCropImage(const QImage& image, int width, int height) {
    if (image.isNull()) return QImage();
    const QImage scaled =
        image.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - width) / 2, (scaled.height() - height) / 2, width, height);
}

bool compress(const QString& path, const QString& tempPath, int quality, int width, int height) {
    const QFileInfo source(path);
    if (source.absoluteFilePath() == QFileInfo(tempPath).absoluteFilePath()) return false;
    const QString suffix = source.suffix().toLower();
    bool made = false;
    if (suffix == "mp4")
        made = FFMpegUtil::compressV2(path, tempPath, quality, width, height);
    else if (suffix == "jpg")
        made = compressJpeg(path, tempPath, suffix.toLatin1(), quality);
    if (!made || !replaceFile(path, tempPath)) return false;
    QFile::remove(tempPath);
    return true;
}

QString toMd5(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    QCryptographicHash md5(QCryptographicHash::Md5);
    qint64 total = 0;
    while (total < kMd5Limit) {
        const QByteArray chunk = file.read(qMin(kMd5Chunk, kMd5Limit - total));
        if (chunk.isEmpty()) break;
        md5.addData(chunk);
        total += chunk.size();
    }
    return QString::fromLatin1(md5.result().toHex().toUpper());
}
