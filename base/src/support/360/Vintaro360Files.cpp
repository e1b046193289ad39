#include "Vintaro360Files.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "ByteUtil.h"
#include "EyeRecord.h"
#include "OsalInputFile.h"
#include "ResultCode.h"
#include "RotationGeometry.h"
#include "TextNumber.h"
#include "TimeUtil.h"
#include "Vintaro360Camera.h"

namespace {

constexpr double kPi = 3.141592653589793;

double sampleRate(unsigned int code) { return code == 67 ? 200.0 / 3 : code; }

// Header after the version; false when it ends early.
bool readV1Header(std::unique_ptr<OsalInputFile>& f, int* offset, double* rate, bool* zeroRate) {
    unsigned int version, flags, code, extra;
    if (ByteUtil::readUInt16(f, &version) != 0 || ByteUtil::readUInt16(f, &flags) != 0 ||
        ByteUtil::readUInt16(f, &code) != 0)
        return false;
    *rate = sampleRate(code);
    *zeroRate = code == 0;
    int size = 6;
    if (flags & 1) {
        if (ByteUtil::readUInt16(f, &extra) != 0) return false;
        size += 2;
    }
    if (flags & 2) {
        if (ByteUtil::readInt16(f, offset) != 0) return false;
        size += 2;
    }
    char padding[4];
    const unsigned long pad = (4 - size % 4) % 4;
    return pad == 0 || f->read(padding, pad) == pad;
}

void readV1Records(OsalInputFile& f, List<QuaternionAttitude>& list) {
    unsigned char chunk[16 * 4096];
    unsigned long n;
    while ((n = f.read(chunk, sizeof(chunk))) != 0 && n != static_cast<unsigned long>(-1)) {
        for (unsigned long i = 0; i + 16 <= n; i += 16) {
            double q[4];
            eyeRecordQuaternion(chunk + i, q);
            list.append({q[0], q[1], q[2], q[3]});
        }
        if (n % 16 != 0) return;  // a short record ends the data
    }
}

// Reads `count` digits at *p into *value, advancing; false when they are not all digits.
bool takeDigits(const char*& p, int count, long long* value) {
    long long v = 0;
    for (int i = 0; i < count; ++i, ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        v = v * 10 + (*p - '0');
    }
    *value = v;
    return true;
}

bool takeText(const char*& p, const char* text) {
    const size_t n = std::strlen(text);
    if (std::strncmp(p, text, n) != 0) return false;
    p += n;
    return true;
}

// One or more digits (at most 18) into *value.
bool takeNumber(const char*& p, long long* value) {
    int count = 0;
    while (std::isdigit(static_cast<unsigned char>(p[count]))) ++count;
    return count > 0 && count <= 18 && takeDigits(p, count, value);
}

struct NamePrefix {
    const char* text;
    int type;
    const char* extension;
    bool sequence;
};

const NamePrefix kPrefixes[] = {{"LP", 1, ".JPG", false},
                                {"LV", 3, ".MP4", false},
                                {"TL", 4, ".MP4", false},
                                {"P", 0, ".JPG", false},
                                {"V", 2, ".MP4", true}};

bool validDateTime(long long y, long long mo, long long d, long long h, long long mi, long long s) {
    return y >= 2000 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && s < 60;
}

}  // namespace

int parseVintaro360EyeFile(const char* path, List<QuaternionAttitude>& list, int* offset,
                           double* rate) {
    list.clear();
    *offset = 0;
    if (path == nullptr) return ResultCode::kCannotOpen;
    std::unique_ptr<OsalInputFile> file(new OsalInputFile(path));
    if (file->open() != 0) return ResultCode::kCannotOpen;
    bool zeroRate = false;
    if (!readV1Header(file, offset, rate, &zeroRate)) return ResultCode::kTruncated;
    if (zeroRate) return -1;
    readV1Records(*file, list);
    return 0;
}

int getVintaro360SrcMediaInfo(const char* name, Vintaro360SrcMediaInfo* info) {
    if (name == nullptr || std::strlen(name) > 25) return ResultCode::kTruncated;
    for (const NamePrefix& prefix : kPrefixes) {
        const char* p = name;
        long long y, mo, d, h, mi, s, sequence = 1;
        if (!takeText(p, prefix.text) || !takeText(p, "_20") || !takeDigits(p, 2, &y) ||
            !takeDigits(p, 2, &mo) || !takeDigits(p, 2, &d) || !takeText(p, "_") ||
            !takeDigits(p, 2, &h) || !takeDigits(p, 2, &mi) || !takeDigits(p, 2, &s))
            continue;
        if (prefix.sequence && !(takeText(p, "_") && takeDigits(p, 3, &sequence)))
            return ResultCode::kTruncated;
        if (!takeText(p, prefix.extension) || *p != '\0') return ResultCode::kTruncated;
        y += 2000;
        if (!validDateTime(y, mo, d, h, mi, s)) return ResultCode::kTruncated;
        info->type = prefix.type;
        info->sequence = static_cast<int>(sequence);
        info->takenTime =
            TimeUtil::fromYMDHMS(int(y), int(mo), int(d), int(h), int(mi), int(s), true);
        return 0;
    }
    return ResultCode::kTruncated;
}

int parseVintaro360PeriodString(const char* text, long long* a, int* tz, long long* b, double* c) {
    if (text == nullptr) return ResultCode::kBadSeparator;
    const char* p = text;
    long long va, vb, vc = 0, hours, minutes;
    if (!takeText(p, "P: ") || !takeNumber(p, &va) || !takeText(p, "("))
        return ResultCode::kBadSeparator;
    const char sign = *p++;
    if ((sign != '+' && sign != '-') || !takeDigits(p, 2, &hours) || !takeText(p, ":") ||
        !takeDigits(p, 2, &minutes) || !takeText(p, ") ") || !takeNumber(p, &vb))
        return ResultCode::kBadSeparator;
    if (*p == ',' && std::isdigit(static_cast<unsigned char>(p[1]))) {
        ++p;
        if (!takeNumber(p, &vc)) return ResultCode::kBadSeparator;
    }
    if (*p != '\0' && *p != ',') return ResultCode::kBadSeparator;
    *a = va;
    *tz = (sign == '-' ? -1 : 1) * static_cast<int>(hours * 3600 + minutes * 60);
    *b = vb;
    *c = vc / 1000.0;
    return 0;
}

void parseRMFromVT360PeriodString(const char* text, double R[9]) {
    const char* p = text ? std::strchr(text, ',') : nullptr;
    if (p) p = std::strchr(p + 1, ',');
    double v[5];
    int count = 0;
    while (p && count < 5) {
        const size_t taken = TextNumber::parseDoublePrefix(p + 1, &v[count]);
        if (taken == 0) break;
        ++count;
        p = p[1 + taken] == ',' ? p + 1 + taken : nullptr;
    }
    const double length = count == 5 ? v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3] : 0;
    if (count == 5 && length >= 0.9 && length <= 1.1) {
        fillVintaro360RMByAttitudeWithFront(v, R, v[4]);
        return;
    }
    fillRotationMatrixAlongY(kPi / 4, R);
}
