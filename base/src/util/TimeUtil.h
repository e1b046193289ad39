#pragma once

// Date conversions on the C library's local time zone (TZ). Times are milliseconds since the
// epoch. Every broken-down time handed to mktime has tm_isdst = 0, so dates are taken as
// standard time even inside daylight saving. Thread-safe (re-entrant time functions).
class TimeUtil {
  public:
    // Local standard-time midnight of the date.
    static long long fromYMD(int year, int month, int day);
    // The fields as local standard time, or as UTC when `local` is false.
    static long long fromYMDHMS(int year, int month, int day, int hour, int minute, int second,
                                bool local);
    // Local standard-time midnight of the local day of `ms`.
    static long long cutToDate(long long ms);
    // Whether `a` and `b` fall on the same local date.
    static bool isSameDay(long long a, long long b);
    // Date (month 1..12) of the whole seconds of `ms`, local or UTC.
    static void getYMD(long long ms, bool local, int* year, int* month, int* day);
    // Local standard offset from UTC in whole hours (east positive), taken on 1 January 2000.
    static int getGMTBias();
    // UTC date of `ms` shifted by `bias` hours.
    static void getYMDWithGMTBias(long long ms, int bias, int* year, int* month, int* day);
    // Local standard offset east of UTC in seconds, taken on 1 January 2000.
    static int offsetFromUtc();
};
