#include "GpsDataParser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QFileInfo>

#include "ByteUtil.h"
#include "FFMpegUtil.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "ResultCode.h"

namespace {

const char* const kTag = "GpsDataParser";
const long long kScratchSize = 100000;
// A "moov" of a long recording is a few MB; a bigger claim is a broken file.
const long long kMaxMoovBody = 256LL << 20;
const int kBlockWindow = 2000;
const int kTagToRecord = 12;
const char kBlockTag[] = "freeGPS";
const int kBlockTagLength = 7;
const int kLastTagPosition = kBlockWindow - 8;  // positions 0..1992
const int kIndexHeader = 16;
const int kIndexEntry = 8;
// Records a recording may hold beyond one a second of the duration it states.
const long long kRecordMargin = 60;

// Reads up to `size` bytes; returns the count read before the end or an error.
long long readFully(OsalInputFile& file, unsigned char* buffer, long long size) {
    long long done = 0;
    while (done < size) {
        unsigned long got = file.read(buffer + done, (unsigned long)(size - done));
        if (got == 0 || got == (unsigned long)-1) break;
        done += (long long)got;
    }
    return done;
}

unsigned long long bigEndian(const unsigned char* p, int count) {
    unsigned long long value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | p[i];
    return value;
}

bool isGpsType(const unsigned char* type) { return std::memcmp(type, "gps", 3) == 0; }

// The duration in seconds that an "mvhd" box (`available` bytes from its first byte) states;
// 0 when it states none. Version 1 has 64-bit times and duration, version 0 32-bit ones.
double statedSeconds(const unsigned char* box, int available) {
    const int size = std::min(ByteUtil::bytesToInt(box), available);
    const bool wide = size > 8 && box[8] == 1;
    const int timeScaleAt = wide ? 28 : 20;
    const int durationBytes = wide ? 8 : 4;
    if (size < timeScaleAt + 4 + durationBytes) return 0;
    const unsigned long long timeScale = bigEndian(box + timeScaleAt, 4);
    const unsigned long long duration = bigEndian(box + timeScaleAt + 4, durationBytes);
    return timeScale == 0 ? 0 : double(duration) / double(timeScale);
}

// Calls visit(position) for each child header that lies within the body, in order, until visit
// returns false. A size below 1 ends the walk before its child, a size beyond the body after it.
template <typename Visit>
void walkChildren(const unsigned char* body, int length, Visit visit) {
    int pos = 0;
    while (length - pos >= 8) {
        int size = ByteUtil::bytesToInt(body + pos);
        if (size < 1 || !visit(pos) || size > length - pos) return;
        pos += size;
    }
}

}  // namespace

GpsDataParser::GpsDataParser()
    : scratchBuffer(static_cast<unsigned char*>(std::malloc(kScratchSize))),
      scratchSize(scratchBuffer ? kScratchSize : 0) {}

GpsDataParser::~GpsDataParser() {
    if (inputFile) inputFile->close();
    std::free(scratchBuffer);
}

int GpsDataParser::parse(QString path) {
    gyroRawInfoList.clear();
    int length = loadMoovBody(path);
    if (length == ResultCode::kCannotOpen) return ResultCode::kCannotOpen;
    if (length >= 0) parseMoovBox(scratchBuffer, length);
    return 0;
}

bool GpsDataParser::checkIsRavlixFile(QString path) {
    int length = loadMoovBody(path);
    return length >= 0 && parseMoovBoxAndCheckRavlix(scratchBuffer, length);
}

int GpsDataParser::loadMoovBody(const QString& path) {
    filePath = path;
    inputFile = std::make_unique<OsalInputFile>(path.toUtf8().constData());
    // Only regular files: opening a named pipe or a device could block for ever.
    if (!QFileInfo(path).isFile() || inputFile->open() != 0) {
        LogSystem::e(kTag, "Can not open file?");
        return ResultCode::kCannotOpen;
    }
    if (inputFile->seek(0, 2) != 0) return -1;
    long long fileSize = inputFile->tell();
    if (inputFile->seek(0, 0) != 0) return -1;
    long long claimed = seekToMoovBody(fileSize);
    if (claimed < 0) return -1;
    // A truncated file holds fewer bytes than claimed: allocate only those.
    long long length = std::min(claimed, fileSize - inputFile->tell());
    if (length > kMaxMoovBody) {
        LogSystem::e(kTag, "moov body of %lld bytes is too large?", length);
        return -1;
    }
    if (!ensureScratch(length)) return -1;
    long long readBytes = readFully(*inputFile, scratchBuffer, length);
    if (readBytes != claimed) LogSystem::e(kTag, "readBytes != dataSize?");
    return int(readBytes);
}

long long GpsDataParser::seekToMoovBody(long long fileSize) {
    unsigned char header[16];
    for (;;) {
        long long start = inputFile->tell();
        if (readFully(*inputFile, header, 8) != 8) return -1;
        long long size = (long long)bigEndian(header, 4);
        bool moov = std::memcmp(header + 4, "moov", 4) == 0;
        if (moov) return size < 8 ? -1 : size - 8;
        long long headerSize = 8;
        if (size == 1) {
            if (readFully(*inputFile, header + 8, 8) != 8) return -1;
            size = (long long)std::min(bigEndian(header + 8, 8), (unsigned long long)fileSize + 1);
            headerSize = 16;
        }
        // Sizes 0 and 2..7 (or a large size below 16) and boxes that run past
        // the end of the file stop the walk; media bodies are never read.
        if (size < headerSize || size > fileSize - start) return -1;
        if (inputFile->seek(start + size, 0) != 0) return -1;
    }
}

bool GpsDataParser::ensureScratch(long long length) {
    if (length <= scratchSize) return true;
    std::free(scratchBuffer);
    scratchBuffer = static_cast<unsigned char*>(std::malloc(size_t(length)));
    scratchSize = scratchBuffer ? length : 0;
    if (!scratchBuffer) LogSystem::e(kTag, "Can not allocate %lld bytes?", length);
    return scratchBuffer != nullptr;
}

void GpsDataParser::parseMoovBox(unsigned char* body, int length) {
    const long long limit = recordLimit(body, length);
    walkChildren(body, length, [&](int pos) {
        if (!isGpsType(body + pos + 4)) return true;
        readIndexBox(body + pos, length - pos, limit);
        return false;
    });
}

long long GpsDataParser::recordLimit(const unsigned char* body, int length) {
    double seconds = 0;
    walkChildren(body, length, [&](int pos) {
        if (std::memcmp(body + pos + 4, "mvhd", 4) != 0) return true;
        seconds = statedSeconds(body + pos, length - pos);
        return false;
    });
    return (long long)std::ceil(FFMpegUtil::boundedDuration(seconds)) + kRecordMargin;
}

void GpsDataParser::readIndexBox(const unsigned char* box, int available, long long limit) {
    if (available < kIndexHeader) return;
    // Unsigned: a count from 2^31 on is large, not negative.
    const long long count = (long long)bigEndian(box + 12, 4);
    // The entries are bounded by the "moov" body read, not by the box's own size.
    const long long present = (available - kIndexHeader) / kIndexEntry;
    const long long entries = std::min({count, present, limit});
    for (long long i = 0; i < entries; ++i)
        readBlock(ByteUtil::bytesToInt(box + kIndexHeader + i * kIndexEntry));
}

void GpsDataParser::readBlock(int offset) {
    if (offset < 0 || !inputFile || inputFile->seek(offset, 0) != 0) return;
    unsigned char block[kBlockWindow];
    const long long got = readFully(*inputFile, block, kBlockWindow);
    int lastTag = std::min<long long>(kLastTagPosition, got - kBlockTagLength);
    for (int at = 0; at <= lastTag; ++at) {
        if (std::memcmp(block + at, kBlockTag, kBlockTagLength) != 0) continue;
        if (at + kTagToRecord + GyroRawInfo::kSize <= got)
            gyroRawInfoList.append(GyroRawInfo::fromBytes(block + at + kTagToRecord));
        return;
    }
}

bool GpsDataParser::parseMoovBoxAndCheckRavlix(unsigned char* body, int length) {
    static const char kMark[] = "Ravlix";
    const int markLength = 6;
    bool found = false;
    walkChildren(body, length, [&](int pos) {
        if (!isGpsType(body + pos + 4)) return true;
        int first = std::max(0, pos - 32);
        int last = std::min(pos + 1, length - markLength);
        for (int at = first; at <= last && !found; ++at)
            found = std::memcmp(body + at, kMark, markLength) == 0;
        return !found;
    });
    return found;
}
