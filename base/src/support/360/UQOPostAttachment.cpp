#include "UQOPostAttachment.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CameraTrailers.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "OsalOutputFile.h"
#include "RecordFields.h"
#include "ResultCode.h"
#include "TimeUtil.h"
#include "UQOCompanionFiles.h"

namespace {

const char* const kTag = "file360";
const char kEnd[] = "}UQOCam";
constexpr int kEndAt = static_cast<int>(kTrailerSize) - (sizeof(kEnd) - 1);  // 505
const RecordLimits kLimits{kEndAt - 1, kEndAt - 2, kEndAt};

bool digitsAt(const char* s, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

int number(const char* s, int count) {
    int v = 0;
    for (int i = 0; i < count; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

// The tag field from `pos` up to its ','; -8 when empty or not ended within the limits.
int readTag(const char* block, int* pos, std::string* tag) {
    int end = *pos;
    while (end <= kLimits.fieldEnd && block[end] != ',') ++end;
    if (end > kLimits.fieldEnd || end == *pos) return ResultCode::kTruncated;
    tag->assign(block + *pos, block + end);
    *pos = end + 1;
    return 0;
}

int parseRecord(const char* path, char* block, long long fileSize, UQOPostAttachment* out) {
    int pos = 0;
    if (!findRecordStart(block, kLimits, &pos)) {
        LogSystem::e(kTag, "Long UQOCam attachment for %s.", path);
        return ResultCode::kBadTagLength;
    }
    const int brace = pos - 1;
    std::string tag;
    int v[6];
    int result = skipDigitFields(block, kLimits, 2, &pos);
    if (result == 0) result = readTag(block, &pos, &tag);
    if (result == 0) result = readIntFields(block, kLimits, 6, v, &pos);
    if (result == ResultCode::kBadSeparator)
        LogSystem::e(kTag, "Seperator error in UQOCam attachment for %s.", path);
    if (result == ResultCode::kTruncated)
        LogSystem::e(kTag, "Few fields in UQOCam attachment for %s.", path);
    if (result != 0) return result;
    const long long eyeOffset = static_cast<long long>(brace) - kTrailerSize - v[0];
    if (-eyeOffset > fileSize) {
        LogSystem::e(kTag, "Eye data of UQOCam attachment for %s passes the file start.", path);
        return ResultCode::kTruncated;
    }
    out->tag = strdup(tag.c_str());
    out->eyeOffset = static_cast<int>(eyeOffset);
    out->eyeSize = v[0];
    out->valueA = v[1];
    out->valueB = v[2];
    out->hasCircle = v[3] > 0;
    out->cx = v[3] / 10.0;
    out->cy = v[4] / 10.0;
    out->radius = v[5] / 10.0;
    return 0;
}

// The record text, or "" when the reader would not accept it.
std::string formatRecord(const char* tag, long long eyeSize, const int values[5]) {
    if (tag == nullptr || *tag == '\0' || std::strpbrk(tag, ",{}") != nullptr) return "";
    if (eyeSize < 0 || eyeSize > 0x7fffffff) return "";
    for (int i = 0; i < 5; ++i)
        if (values[i] < 0) return "";
    const char* format = "{100,0,%s,%d,%d,%d,%d,%d,%d}UQOCam";
    const int length = std::snprintf(nullptr, 0, format, tag, static_cast<int>(eyeSize), values[0],
                                     values[1], values[2], values[3], values[4]);
    if (length <= 0 || length > static_cast<int>(kTrailerSize)) return "";
    std::string record(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&record[0], record.size(), format, tag, static_cast<int>(eyeSize), values[0],
                  values[1], values[2], values[3], values[4]);
    record.resize(static_cast<size_t>(length));
    return record;
}

long long fileSize(OsalInputFile& file) {
    if (file.seek(0, 2) != 0) return -1;
    const long long size = file.tell();
    return file.seek(0, 0) == 0 ? size : -1;
}

bool copyAll(OsalInputFile& from, OsalOutputFile& to) {
    char piece[4096];
    unsigned long n;
    while ((n = from.read(piece, sizeof(piece))) != 0) {
        if (n == static_cast<unsigned long>(-1)) return false;
        if (to.write(piece, n) != static_cast<long long>(n)) return false;
    }
    return true;
}

int toTenths(double v) { return static_cast<int>(v * 10 + 0.5); }

}  // namespace

long long UQOPostAttachment::getTakenTime() const {
    if (tag == nullptr) return 0;
    for (const char* p = std::strchr(tag, '_'); p != nullptr; p = std::strchr(p + 1, '_')) {
        if (std::strlen(p) < 16 || !digitsAt(p + 1, 8) || p[9] != '_' || !digitsAt(p + 10, 6))
            continue;
        return TimeUtil::fromYMDHMS(number(p + 1, 4), number(p + 5, 2), number(p + 7, 2),
                                    number(p + 10, 2), number(p + 12, 2), number(p + 14, 2), true);
    }
    return 0;
}

int getUQOPostAttachment(const char* path, UQOPostAttachment* attachment) {
    char block[kTrailerSize + 1];
    long long size;
    const int result = readTrailerBlockOfAnySize(path, block, &size);
    if (result != 0) return result;
    if (std::memcmp(block + kEndAt, kEnd, sizeof(kEnd) - 1) != 0) return ResultCode::kAbsent;
    return parseRecord(path, block, size, attachment);
}

int _glueUQOMediaWithEye(const char* target, const char* source, const char* eyePath,
                         const char* tag, int valueA, int valueB, int cx10, int cy10, int r10) {
    OsalInputFile eye(eyePath ? eyePath : "");
    if (eyePath == nullptr || eye.open() != 0) {
        LogSystem::e(kTag, "Cannot open eye file %s!", eyePath ? eyePath : "");
        return ResultCode::kCannotOpen;
    }
    const bool separate = std::strcmp(target, source) != 0;
    OsalInputFile media(source);
    if (separate && media.open() != 0) {
        LogSystem::e(kTag, "Cannot open source file %s!", source);
        return ResultCode::kCannotOpen;
    }
    const int values[5] = {valueA, valueB, cx10, cy10, r10};
    const std::string record = formatRecord(tag, fileSize(eye), values);
    if (record.empty()) {
        LogSystem::e(kTag, "Record for %s does not fit the UQOCam attachment!", target);
        return ResultCode::kBadArgument;
    }
    OsalOutputFile out(target, !separate);
    if (out.open() != 0) {
        LogSystem::e(kTag, "Cannot open target file %s!", target);
        return ResultCode::kIoError;
    }
    const bool written =
        (!separate || copyAll(media, out)) && copyAll(eye, out) &&
        out.write(record.data(), record.size()) == static_cast<long long>(record.size());
    if (!written) {
        LogSystem::e(kTag, "Cannot write target file %s!", target);
        return ResultCode::kIoError;
    }
    return 0;
}

int glueUQOPhotoWithEye(const char* target, const char* source) {
    UQOPostAttachment existing;
    if (std::strcmp(target, source) == 0 && getUQOPostAttachment(target, &existing) == 0) {
        std::free(existing.tag);
        return ResultCode::kAlreadyAttached;
    }
    double cx = 0, cy = 0, r = 0;
    if (getVintaro360CircleInfo(source, &cx, &cy, &r) != 0) cx = cy = r = 0;
    char* eyePath = locateUQOEyePath(source, true);
    char* tag = _identifyUQOSourceTag(source);
    const int result = _glueUQOMediaWithEye(target, source, eyePath, tag, 2, 0, toTenths(cx),
                                            toTenths(cy), toTenths(r));
    delete[] eyePath;
    std::free(tag);
    return result;
}
