#include "QuaternionsParserUqoEye.h"

#include <memory>

#include "ByteUtil.h"
#include "EyeRecord.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "ResultCode.h"
#include "RotationGeometry.h"

// Parse: 1. the header, 2. the sample period and the first sample's time, 3. the pieces of
// records until the data ends or a record is not a unit quaternion.
namespace {

const char* const kTag = "QPUqoEye";

struct EyeHeader {
    unsigned int flags = 0;
    unsigned int numerator = 0;
    unsigned int denominator = 0;
    int offset = 0;  // ms, present with flags bit 1
};

enum HeaderResult { HEADER_OK, HEADER_SHORT, HEADER_BAD };

HeaderResult failHeader(const char* message, HeaderResult result) {
    LogSystem::i(kTag, "%s", message);
    return result;
}

HeaderResult readHeader(std::unique_ptr<OsalInputFile>& f, EyeHeader* h) {
    unsigned int version, extra;
    int startTick;
    if (ByteUtil::readUInt16(f, &version) != 0) return HEADER_BAD;
    if (ByteUtil::readUInt16(f, &h->flags) != 0) return failHeader("Read failed 1", HEADER_SHORT);
    if (ByteUtil::readUInt16(f, &h->numerator) != 0)
        return failHeader("Read failed 2", HEADER_SHORT);
    if (ByteUtil::readUInt16(f, &h->denominator) != 0)
        return failHeader("Read failed 3", HEADER_SHORT);
    if (ByteUtil::readInt32(f, &startTick) != 0) return failHeader("Read failed 4", HEADER_SHORT);
    int size = 12;
    if (h->flags & 1) {
        if (ByteUtil::readUInt16(f, &extra) != 0) return failHeader("Read failed 5", HEADER_BAD);
        size += 2;
    }
    if (h->flags & 2) {
        if (ByteUtil::readInt16(f, &h->offset) != 0) return failHeader("Read failed 6", HEADER_BAD);
        size += 2;
    }
    char padding[4];
    const unsigned long pad = (4 - size % 4) % 4;
    if (pad > 0 && f->read(padding, pad) != pad) return HEADER_SHORT;
    return HEADER_OK;
}

}  // namespace

bool QuaternionsParserUqoEye::canParse(const char* path) {
    if (path == nullptr) return false;
    std::unique_ptr<OsalInputFile> file(new OsalInputFile(path));
    if (file->open() != 0) return false;
    unsigned int version;
    if (ByteUtil::readUInt16(file, &version) != 0) {
        LogSystem::i(kTag, "Can not read version!");
        return false;
    }
    if (version != 2) LogSystem::i(kTag, "version not correct:%d", static_cast<int>(version));
    return version == 2;
}

bool QuaternionsParserUqoEye::canParseFile(const char* path) { return canParse(path); }

int QuaternionsParserUqoEye::parse(const char* path, int maxCount) {
    samples.deleteAllObjsAndReset();
    if (!canParse(path)) return ResultCode::kNotEyeV2;
    std::unique_ptr<OsalInputFile> file(new OsalInputFile(path));
    if (file->open() != 0) return ResultCode::kCannotOpen;
    EyeHeader h;
    const HeaderResult header = readHeader(file, &h);
    if (header != HEADER_OK) return header == HEADER_SHORT ? 0 : ResultCode::kNotEyeV2;
    if (h.numerator == 0 || h.denominator == 0) {
        LogSystem::i(kTag, "Zero sample rate %u/%u", h.numerator, h.denominator);
        return ResultCode::kNotEyeV2;
    }
    const long long period =
        static_cast<long long>(1000 / (static_cast<double>(h.numerator) / h.denominator));
    const unsigned long recordSize = (h.flags & 1) ? 24 : 16;
    long long time = -h.offset;
    int tick, total;
    while (ByteUtil::readInt32(file, &tick) == 0 && ByteUtil::readInt32(file, &total) == 0 &&
           total >= 0) {
        for (int i = 0; i < total / static_cast<int>(recordSize); ++i) {
            unsigned char r[24];
            if (file->read(r, recordSize) != recordSize) return 0;
            double qd[4];
            eyeRecordQuaternion(r, qd);
            float q[4];
            quaternionCopy(qd, q);
            const double sum = double(q[0]) * q[0] + double(q[1]) * q[1] + double(q[2]) * q[2] +
                               double(q[3]) * q[3];
            if (!(sum > 0.9 && sum < 1.1)) {
                LogSystem::e(kTag, "receive un-correct quaternions data, sum:%f, q:%f,%f,%f,%f",
                             sum, q[0], q[1], q[2], q[3]);
                return 0;
            }
            addSample(time, q);
            time += period;
            if (maxCount >= 1 && samples.size() >= static_cast<size_t>(maxCount)) return 0;
        }
    }
    return 0;
}
