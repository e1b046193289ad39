#include "SpatialMetaData.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <new>

#include "LogSystem.h"
#include "ResultCode.h"

namespace {

const char* const kTag = "SpatialMetaData";
const int kBufferSize = 100000;

const unsigned char kSphericalUuid[16] = {0xff, 0xcc, 0x82, 0x63, 0xf8, 0x55, 0x4a, 0x93,
                                          0x88, 0x14, 0x58, 0x7a, 0x02, 0x52, 0x1f, 0xdd};

const char* const kSphericalXml =
    "<?xml version=\"1.0\"?>"
    "<rdf:SphericalVideo\n"
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"\n"
    "xmlns:GSpherical=\"http://ns.google.com/videos/1.0/spherical/\">"
    "<GSpherical:Spherical>true</GSpherical:Spherical>"
    "<GSpherical:Stitched>true</GSpherical:Stitched>"
    "<GSpherical:StitchingSoftware>Tolvaren</GSpherical:StitchingSoftware>"
    "<GSpherical:ProjectionType>equirectangular</GSpherical:ProjectionType>"
    "</rdf:SphericalVideo>";

std::string makeUuidBox() {
    std::string xml(kSphericalXml);
    std::string box(8, '\0');
    SpatialMetaData::intToBytes(static_cast<int>(xml.size() + 24),
                                reinterpret_cast<unsigned char*>(&box[0]));
    box.replace(4, 4, "uuid");
    box.append(reinterpret_cast<const char*>(kSphericalUuid), sizeof kSphericalUuid);
    return box + xml;
}

long long bytesToLong(const unsigned char* bytes) {
    long long value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | bytes[i];
    return value;
}

void longToBytes(long long value, unsigned char* bytes) {
    for (int i = 7; i >= 0; --i) {
        bytes[i] = static_cast<unsigned char>(value & 0xff);
        value >>= 8;
    }
}

bool isRegularFile(const QString& path) {
    QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

}  // namespace

const std::string& SpatialMetaData::uuidBox() {
    static const std::string box = makeUuidBox();
    return box;
}

int SpatialMetaData::bytesToInt(const unsigned char* bytes) {
    return static_cast<int>((static_cast<unsigned>(bytes[0]) << 24) |
                            (static_cast<unsigned>(bytes[1]) << 16) |
                            (static_cast<unsigned>(bytes[2]) << 8) | bytes[3]);
}

void SpatialMetaData::intToBytes(int value, unsigned char* bytes) {
    auto u = static_cast<unsigned>(value);
    bytes[0] = static_cast<unsigned char>(u >> 24);
    bytes[1] = static_cast<unsigned char>(u >> 16);
    bytes[2] = static_cast<unsigned char>(u >> 8);
    bytes[3] = static_cast<unsigned char>(u);
}

bool SpatialMetaData::childBox(const unsigned char* payload, long long length, long long pos,
                               Box* box) {
    if (pos + 8 > length) return false;
    box->size = static_cast<unsigned>(bytesToInt(payload + pos));
    box->header = 8;
    std::memcpy(box->type, payload + pos + 4, 4);
    if (box->size == 1) {
        if (pos + 16 > length) return false;
        box->size = bytesToLong(payload + pos + 8);
        box->header = 16;
    }
    return box->size >= box->header && box->size <= length - pos;
}

int SpatialMetaData::findVide(const unsigned char* payload, int length) {
    long long pos = 0;
    Box box;
    while (childBox(payload, length, pos, &box)) {
        const unsigned char* start = payload + pos;
        if (std::memcmp(box.type, "hdlr", 4) == 0 && box.size >= 20 &&
            std::memcmp(start + 16, "vide", 4) == 0)
            return 1;
        if (std::memcmp(box.type, "mdia", 4) == 0)
            return findVide(start + box.header, static_cast<int>(box.size - box.header));
        pos += box.size;
    }
    return 0;
}

int SpatialMetaData::addMetaDataToVideo(const QString& srcPath, const QString& dstPath) {
    int result;
    {
        SpatialMetaData copier(srcPath, dstPath);
        result = copier._addMetaDataToVideo();
    }
    // Data left in the file buffer at close is checked through the size written.
    const long long grown = QFileInfo(srcPath).size() + static_cast<long long>(uuidBox().size());
    if (result == 0 && isRegularFile(dstPath) && QFileInfo(dstPath).size() != grown)
        result = ResultCode::kIoError;
    if (result != 0 && result != ResultCode::kCannotOpen && result != ResultCode::kBadArgument &&
        isRegularFile(dstPath))
        QFile::remove(dstPath);
    return result;
}

SpatialMetaData::SpatialMetaData(const QString& srcPath, const QString& dstPath)
    : src(srcPath.toUtf8().constData()),
      dst(dstPath.toUtf8().constData(), false),
      buffer(kBufferSize),
      uuidBoxSize(static_cast<int>(uuidBox().size())) {}

int SpatialMetaData::_addMetaDataToVideo() {
    if (src.open() != 0) {
        LogSystem::e(kTag, "Can not open file?");
        return ResultCode::kCannotOpen;
    }
    if (dst.open() != 0) {
        LogSystem::e(kTag, "Can not create file?");
        src.close();
        return ResultCode::kBadArgument;
    }
    src.seek(0, 2);
    fileSize = src.tell();
    src.seek(0, 0);
    Box box;
    while (src.tell() < fileSize) {
        int result = readTopBox(&box);
        if (result != 0) return result;
        if (std::memcmp(box.type, "moov", 4) == 0) {
            result = copyMoov(box);
            return result != 0 ? result : copyRest();
        }
        result = copyBox(box);
        if (result != 0) return result;
    }
    LogSystem::e(kTag, "no moov?");
    return ResultCode::kAbsent;
}

int SpatialMetaData::readTopBox(Box* box) {
    long long start = src.tell();
    unsigned char header[16];
    if (fileSize - start < 8 || src.read(header, 8) != 8) {
        LogSystem::e(kTag, "truncated box header?");
        return ResultCode::kMediaError;
    }
    box->size = static_cast<unsigned>(bytesToInt(header));
    box->header = 8;
    std::memcpy(box->type, header + 4, 4);
    if (box->size == 1) {
        if (fileSize - start < 16 || src.read(header + 8, 8) != 8) return ResultCode::kMediaError;
        box->size = bytesToLong(header + 8);
        box->header = 16;
    } else if (box->size == 0) {
        box->size = fileSize - start;
    }
    if (box->size < box->header || box->size > fileSize - start) {
        LogSystem::e(kTag, "size not correct?");
        return ResultCode::kMediaError;
    }
    return 0;
}

int SpatialMetaData::copyBox(const Box& box) {
    int result = writeHeader(box, box.size);
    return result != 0 ? result : copyBytes(box.size - box.header);
}

int SpatialMetaData::copyMoov(const Box& box) {
    long long length = box.size - box.header;
    if (length > kMaxMoovPayload) {
        LogSystem::e(kTag, "moov too large: %lld", length);
        return ResultCode::kNoMemory;
    }
    if (length > static_cast<long long>(buffer.size())) {
        try {
            buffer.assign(static_cast<size_t>(length), 0);
        } catch (const std::bad_alloc&) {
            return ResultCode::kNoMemory;
        }
    }
    if (src.read(buffer.data(), static_cast<unsigned long>(length)) !=
        static_cast<unsigned long>(length)) {
        LogSystem::e(kTag, "readBytes != dataSize?");
        return ResultCode::kIoError;
    }
    return rwMoovBox(buffer.data(), length);
}

int SpatialMetaData::rwMoovBox(const unsigned char* payload, long long length) {
    long long pos = 0;
    long long videoTrak = -1;
    Box child;
    while (pos < length) {
        if (!childBox(payload, length, pos, &child)) {
            LogSystem::e(kTag, "size not correct?");
            return ResultCode::kMediaError;
        }
        if (videoTrak < 0 && std::memcmp(child.type, "trak", 4) == 0 &&
            child.size - child.header <= 0x7fffffff &&
            findVide(payload + pos + child.header, static_cast<int>(child.size - child.header)))
            videoTrak = pos;
        if (videoTrak == pos) break;
        pos += child.size;
    }
    if (videoTrak < 0) {
        LogSystem::e(kTag, "no video track?");
        return ResultCode::kAbsent;
    }
    Box moov;
    moov.size = length + 8;
    std::memcpy(moov.type, "moov", 4);
    int result = writeHeader(moov, moov.size + uuidBoxSize);
    if (result == 0) result = write(payload, videoTrak);
    if (result == 0) result = writeHeader(child, child.size + uuidBoxSize);
    long long trakEnd = videoTrak + child.size;
    if (result == 0) result = write(payload + videoTrak + child.header, child.size - child.header);
    if (result == 0) result = write(uuidBox().data(), uuidBoxSize);
    if (result == 0) result = write(payload + trakEnd, length - trakEnd);
    return result;
}

int SpatialMetaData::writeHeader(const Box& box, long long grownSize) {
    unsigned char header[16];
    std::memcpy(header + 4, box.type, 4);
    if (box.header == 16) {
        intToBytes(1, header);
        longToBytes(grownSize, header + 8);
    } else {
        if (grownSize > 0xffffffffLL) return ResultCode::kNoMemory;
        intToBytes(static_cast<int>(static_cast<unsigned>(grownSize)), header);
    }
    return write(header, box.header);
}

int SpatialMetaData::copyBytes(long long count) {
    while (count > 0) {
        auto piece = static_cast<unsigned long>(std::min<long long>(count, kBufferSize));
        if (src.read(buffer.data(), piece) != piece) {
            LogSystem::e(kTag, "readBytes != dataSize?");
            return ResultCode::kIoError;
        }
        int result = write(buffer.data(), piece);
        if (result != 0) return result;
        count -= piece;
    }
    return 0;
}

int SpatialMetaData::copyRest() { return copyBytes(fileSize - src.tell()); }

int SpatialMetaData::write(const void* data, long long size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        auto piece = static_cast<unsigned long>(std::min<long long>(size, kBufferSize));
        if (dst.write(bytes, piece) != static_cast<long long>(piece)) {
            LogSystem::e(kTag, "write failed?");
            return ResultCode::kIoError;
        }
        bytes += piece;
        size -= piece;
    }
    return 0;
}
