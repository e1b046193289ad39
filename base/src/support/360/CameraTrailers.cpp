#include "CameraTrailers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "LogSystem.h"
#include "OsalInputFile.h"
#include "RecordFields.h"
#include "ResultCode.h"
#include "UQOPostAttachment.h"

namespace {

const char* const kTag = "file360";
const char kLensMagic[] = "UQOLens{";
const char kPhotoMagic[] = "UQOLensPhoto{";
const char kVintaroMarker[] = "}Vintaro360";

// The text between the magic and the first '}' at or after it, split at ','. False when the
// magic is absent (-7) or there is no '}' / no text (-2 through `result`).
bool trailerFields(const char* tail, const char* magic, std::vector<std::string>* fields) {
    const size_t start = std::strlen(magic);
    const char* end =
        static_cast<const char*>(std::memchr(tail + start, '}', kTrailerSize - start));
    if (end == nullptr || end == tail + start) return false;
    std::string text(tail + start, end);
    size_t from = 0, comma;
    while ((comma = text.find(',', from)) != std::string::npos) {
        fields->push_back(text.substr(from, comma - from));
        from = comma + 1;
    }
    fields->push_back(text.substr(from));
    return true;
}

// atoi within int: leading blanks, sign, digits; 0 when none.
int fieldInt(const std::string& text) {
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::max<long>(INT_MIN, std::min<long>(INT_MAX, v)));
}

float fieldScaled(const std::string& text, float scale) { return fieldInt(text) / scale; }

// Reads the trailer with `magic`: 0, or the reader's code.
int readTrailerWithMagic(const char* path, const char* magic, char tail[kTrailerSize + 1]) {
    long long size;
    const int result = readTrailerBlock(path, tail, &size);
    if (result != 0) return result;
    return std::memcmp(tail, magic, std::strlen(magic)) == 0 ? 0 : ResultCode::kAbsent;
}

int vintaroEndTagCircle(const char* path, double* cx, double* cy, double* r) {
    char tail[kTrailerSize + 1];
    long long size;
    int result = readTrailerBlock(path, tail, &size);
    if (result != 0) return result;
    const size_t markerAt = kTrailerSize - (sizeof(kVintaroMarker) - 1);
    if (std::memcmp(tail + markerAt, kVintaroMarker, sizeof(kVintaroMarker) - 1) != 0)
        return ResultCode::kAbsent;
    const RecordLimits limits{static_cast<int>(markerAt) - 1, static_cast<int>(markerAt) - 2,
                              static_cast<int>(markerAt)};
    int pos = 0;
    if (!findRecordStart(tail, limits, &pos)) {
        LogSystem::e(kTag, "Long Vintaro360 end tag for %s.", path);
        return ResultCode::kBadTagLength;
    }
    int values[3];
    result = skipDigitFields(tail, limits, 2, &pos);
    if (result == 0) result = readIntFields(tail, limits, 3, values, &pos);
    if (result == ResultCode::kBadSeparator)
        LogSystem::e(kTag, "Seperator error in Vintaro360 end tag for %s.", path);
    if (result == ResultCode::kTruncated)
        LogSystem::e(kTag, "Few fields in Vintaro360 end tag for %s.", path);
    if (result != 0) return result;
    *cx = values[0] / 10.0;
    *cy = values[1] / 10.0;
    *r = values[2] / 10.0;
    return 0;
}

}  // namespace

int getUQOLensVideoInfo(const char* path, int& a, int& b, int& c, float& d, float& e, int& f,
                        bool& flag) {
    char tail[kTrailerSize + 1];
    const int result = readTrailerWithMagic(path, kLensMagic, tail);
    if (result != 0) return result;
    std::vector<std::string> v;
    if (!trailerFields(tail, kLensMagic, &v)) {
        LogSystem::e(kTag, "Can not find UQOLens end tag");
        return ResultCode::kBadTagLength;
    }
    if (v.size() < 7) return ResultCode::kBadSeparator;
    a = fieldInt(v[1]);
    b = fieldInt(v[2]);
    c = fieldInt(v[3]);
    d = fieldScaled(v[4], 10000);
    e = fieldScaled(v[5], 10000);
    f = fieldInt(v[6]);
    flag = v.size() > 7 && fieldInt(v[7]) == 1;
    return 0;
}

int getUQOLensPhotoInfo(const char* path, int& a, int& b, int& c, float& d, float& e, float q[4],
                        int& f, bool& flag) {
    f = 180;
    flag = false;
    char tail[kTrailerSize + 1];
    const int result = readTrailerWithMagic(path, kPhotoMagic, tail);
    if (result != 0) return result;
    std::vector<std::string> v;
    if (!trailerFields(tail, kPhotoMagic, &v)) {
        LogSystem::e(kTag, "Can not find UQOLensPhoto end tag");
        return ResultCode::kBadTagLength;
    }
    if (v.size() < 10) return ResultCode::kBadSeparator;
    for (int i = 0; i < 4; ++i) q[i] = fieldScaled(v[i], 100000);
    a = fieldInt(v[4]);
    b = fieldInt(v[5]);
    c = fieldInt(v[6]);
    d = fieldScaled(v[7], 10000);
    e = fieldScaled(v[8], 10000);
    f = fieldInt(v[9]);
    flag = v.size() > 10 && fieldInt(v[10]) == 1;
    return 0;
}

int parseIntAndAdvance(char* text, int* value, char** next) {
    long long v = 0;
    char* p = text;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        v = v * 10 + (*p - '0');
        if (v > INT_MAX) return -1;
        ++p;
    }
    if (p == text || (*p != ',' && *p != '}')) return -1;
    *value = static_cast<int>(v);
    *next = p + 1;
    return 0;
}

int getVintaro360CircleInfo(const char* path, double* cx, double* cy, double* r) {
    UQOPostAttachment attachment;
    if (getUQOPostAttachment(path, &attachment) == 0) {
        std::free(attachment.tag);
        if (attachment.hasCircle) {
            *cx = attachment.cx;
            *cy = attachment.cy;
            *r = attachment.radius;
            return 0;
        }
    }
    return vintaroEndTagCircle(path, cx, cy, r);
}

int getVintaro360CircleInfo(const char* path, int w, int h, double* cx, double* cy, double* r) {
    if (getVintaro360CircleInfo(path, cx, cy, r) == 0) return 0;
    *cx = w / 2.0;
    *cy = h / 2.0;
    *r = std::min(w, h) / 2.0 * 14 / 15;
    return ResultCode::kFallbackCircle;
}

int getVintaro360CircleInfo(const char* path, int w, int h, float* cx, float* cy, float* r) {
    double x, y, radius;
    const int result = getVintaro360CircleInfo(path, w, h, &x, &y, &radius);
    *cx = static_cast<float>(x);
    *cy = static_cast<float>(y);
    *r = static_cast<float>(radius);
    return result;
}
