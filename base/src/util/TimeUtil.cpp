#include "TimeUtil.h"

#include <ctime>

namespace {

// mktime of the fields as local standard time (tm_isdst = 0).
time_t standardTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm fields = {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = 0;
    return mktime(&fields);
}

// mktime of the UTC breakdown of `t`, read as local standard time.
time_t utcFieldsAsLocal(time_t t) {
    struct tm fields;
    gmtime_r(&t, &fields);
    fields.tm_isdst = 0;
    return mktime(&fields);
}

struct tm localFields(long long ms) {
    const time_t t = static_cast<time_t>(ms / 1000);
    struct tm fields;
    localtime_r(&t, &fields);
    return fields;
}

// t - g of 1 January 2000 00:00 local, in seconds.
long long referenceOffset() {
    const time_t t = standardTime(2000, 1, 1, 0, 0, 0);
    return static_cast<long long>(t) - static_cast<long long>(utcFieldsAsLocal(t));
}

}  // namespace

long long TimeUtil::fromYMD(int year, int month, int day) {
    return static_cast<long long>(standardTime(year, month, day, 0, 0, 0)) * 1000;
}

long long TimeUtil::fromYMDHMS(int year, int month, int day, int hour, int minute, int second,
                               bool local) {
    const long long t = standardTime(year, month, day, hour, minute, second);
    if (local) return t * 1000;
    const long long g = utcFieldsAsLocal(static_cast<time_t>(t));
    return (2 * t - g) * 1000;
}

long long TimeUtil::cutToDate(long long ms) {
    const struct tm f = localFields(ms);
    return fromYMD(f.tm_year + 1900, f.tm_mon + 1, f.tm_mday);
}

bool TimeUtil::isSameDay(long long a, long long b) {
    const struct tm fa = localFields(a);
    const struct tm fb = localFields(b);
    return fa.tm_year == fb.tm_year && fa.tm_mon == fb.tm_mon && fa.tm_mday == fb.tm_mday;
}

void TimeUtil::getYMD(long long ms, bool local, int* year, int* month, int* day) {
    const time_t t = static_cast<time_t>(ms / 1000);
    struct tm f;
    if (local)
        localtime_r(&t, &f);
    else
        gmtime_r(&t, &f);
    *year = f.tm_year + 1900;
    *month = f.tm_mon + 1;
    *day = f.tm_mday;
}

int TimeUtil::getGMTBias() {
    const long long d = referenceOffset();
    if (d > 0) return static_cast<int>((d + 100) / 3600);
    if (d < 0) return static_cast<int>((d - 100) / 3600);
    return 0;
}

void TimeUtil::getYMDWithGMTBias(long long ms, int bias, int* year, int* month, int* day) {
    const long long seconds = ms / 1000 + static_cast<long long>(bias) * 3600;
    getYMD(seconds * 1000, false, year, month, day);
}

int TimeUtil::offsetFromUtc() { return static_cast<int>(referenceOffset()); }
