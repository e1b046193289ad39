// Daily serial log files.
// Opening (openFileAndCleanupOldLogs):
//   1. list the folder; today = local midnight of the clock's date;
//   2. for each name of the pattern "<prefix>-YYYY-MM-DD-NNN.log": delete it when dated more
//      than keepDays before today, else note its serial when dated today;
//   3. create "<prefix>-<today>-<max + 1>.log" exclusively, moving on to the next serial while
//      the name is taken.
// Timed cut (mode 4): a one-second timer compares the four-hour period number with the one the
// file was opened in and, when it changed, closes the file and opens the next one.
#include "AutoSerialFileLogger.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FileUtil.h"
#include "LogSystem.h"
#include "PeriodicCallBack.h"
#include "TimeUtil.h"

namespace {

const int kTimedCutMode = 4;
const int kCutPeriodSeconds = 14400;
const int kCutCheckMs = 1000;
const long long kDayMs = 86400000LL;
const int kMaxSerialAttempts = 1000;
const long long kSerialCap = 1000000000LL;
const char* const kCutTag = "ASFLogger";

time_t systemClock() { return time(nullptr); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digits(const char* s, int count) {
    int value = 0;
    for (int k = 0; k < count; ++k) value = value * 10 + (s[k] - '0');
    return value;
}

// A log file name of `prefix` with its date and serial.
struct LogName {
    int year, month, day;
    long long serial;
};

// Parses `name` as "<prefix>-YYYY-MM-DD-NNN.log" (three or more serial digits, the first
// ".log" of the whole name at its end, month 1..12, day 1..31).
bool parseLogName(const char* name, const char* prefix, LogName* out) {
    const size_t prefixLen = strlen(prefix);
    if (strncmp(name, prefix, prefixLen) != 0) return false;
    const char* rest = name + prefixLen;
    const size_t len = strlen(rest);
    const size_t nameLen = prefixLen + len;
    const char* ext = strstr(name, ".log");
    if (len < 19 || ext != name + nameLen - 4) return false;
    if (rest[0] != '-' || rest[5] != '-' || rest[8] != '-' || rest[11] != '-') return false;
    const int dateDigits[] = {1, 2, 3, 4, 6, 7, 9, 10};
    for (int k : dateDigits)
        if (!isDigit(rest[k])) return false;
    long long serial = 0;
    for (const char* p = rest + 12; p < ext; ++p) {
        if (!isDigit(*p)) return false;
        serial = serial < kSerialCap ? serial * 10 + (*p - '0') : serial;
    }
    out->year = digits(rest + 1, 4);
    out->month = digits(rest + 6, 2);
    out->day = digits(rest + 9, 2);
    out->serial = serial;
    return out->month >= 1 && out->month <= 12 && out->day >= 1 && out->day <= 31;
}

}  // namespace

AutoSerialFileLogger::AutoSerialFileLogger(const char* folder, const char* prefix, int keepDays,
                                           int cutMode)
    : folder(strdup(folder ? folder : "")),
      prefix(strdup(prefix ? prefix : "")),
      keepDays(keepDays),
      clock(&systemClock) {
    if (cutMode == kTimedCutMode) {
        cutPeriod = kCutPeriodSeconds;
        cutCallBack = new PeriodicCallBack(kCutCheckMs, &AutoSerialFileLogger::_cut, this);
    }
}

AutoSerialFileLogger::~AutoSerialFileLogger() {
    if (cutCallBack) cutCallBack->deref();
    free(folder);
    free(prefix);
    free(filePath);
}

void AutoSerialFileLogger::flush() {
    if (file) fflush(file);
}

void AutoSerialFileLogger::start() {
    if (file) return;
    openFileAndCleanupOldLogs();
    if (cutCallBack) {
        cutIndex = periodNow();
        cutCallBack->start(kCutCheckMs);
    }
}

void AutoSerialFileLogger::stop() {
    closeFile();
    if (cutCallBack) cutCallBack->stop();
}

void AutoSerialFileLogger::log(const char* tag, LogLevel level, const char* format, va_list args) {
    if (!file) return;
    const time_t now = clock();
    if (now != stampTime || stamp[0] == '\0') {
        struct tm local;
        localtime_r(&now, &local);
        snprintf(stamp, sizeof(stamp), "%02d:%02d:%02d: ", local.tm_hour, local.tm_min,
                 local.tm_sec);
        stampTime = now;
    }
    // Called under the LogSystem mutex, which guards the stream as well.
    fputs_unlocked(stamp, file);
    fputs_unlocked(logLevelName(level), file);
    fputc_unlocked(' ', file);
    fputs_unlocked(tag, file);
    fputs_unlocked(": ", file);
    if (strcmp(format, "%s") == 0)
        fputs_unlocked(va_arg(args, const char*), file);
    else
        vfprintf(file, format, args);
    fputc_unlocked('\n', file);
}

void AutoSerialFileLogger::writeText(const char* tag, LogLevel level, const char* text) {
    writeFormatted(tag, level, "%s", text);
}

void AutoSerialFileLogger::writeFormatted(const char* tag, LogLevel level, const char* format,
                                          ...) {
    va_list args;
    va_start(args, format);
    AutoSerialFileLogger::log(tag, level, format, args);
    va_end(args);
}

void AutoSerialFileLogger::closeFile() {
    if (file) fclose(file);
    file = nullptr;
    free(filePath);
    filePath = nullptr;
}

void AutoSerialFileLogger::openFileAndCleanupOldLogs() {
    const time_t now = clock();
    struct tm local;
    localtime_r(&now, &local);
    const int year = local.tm_year + 1900, month = local.tm_mon + 1, day = local.tm_mday;
    const long long today = TimeUtil::fromYMD(year, month, day);
    const long long keepMs = static_cast<long long>(keepDays) * kDayMs;
    long long maxSerial = 0;

    List<char*> names = FileUtil::scanDir(folder);
    for (const char* name : names) {
        LogName parsed;
        if (!parseLogName(name, prefix, &parsed)) continue;
        const long long date = TimeUtil::fromYMD(parsed.year, parsed.month, parsed.day);
        if (date == 0) continue;
        if (today - date > keepMs) {
            char* path = FileUtil::generateFullFilePath(folder, name);
            remove(path);
            free(path);
        } else if (date == today && parsed.serial > maxSerial) {
            maxSerial = parsed.serial;
        }
    }
    names.freeAllAndReset();
    if (!file) createNextFile(year, month, day, maxSerial + 1);
}

void AutoSerialFileLogger::createNextFile(int year, int month, int day, long long serial) {
    for (int attempt = 0; attempt < kMaxSerialAttempts; ++attempt, ++serial) {
        char suffix[64];
        snprintf(suffix, sizeof(suffix), "-%04d-%02d-%02d-%03lld.log", year, month, day, serial);
        char* path = FileUtil::generateFullFilePath(folder, (std::string(prefix) + suffix).c_str());
        file = fopen(path, "wx");
        if (file) {
            filePath = path;
            return;
        }
        free(path);
        if (errno != EEXIST) return;
    }
}

void AutoSerialFileLogger::cut() {
    if (!cutCallBack || !cutCallBack->isStarted()) return;
    LogSystem::getSysLogSystem()->runLocked([this] {
        const long long period = periodNow();
        if (period == cutIndex) return;
        cutIndex = period;
        writeText(kCutTag, LogLevel::INFO, "Auto cut log.");
        closeFile();
        openFileAndCleanupOldLogs();
        writeText(kCutTag, LogLevel::INFO, "Restart after log auto-cut.");
    });
}

void AutoSerialFileLogger::_cut(void* data) { static_cast<AutoSerialFileLogger*>(data)->cut(); }

void AutoSerialFileLogger::setClock(Clock newClock) { clock = newClock ? newClock : &systemClock; }

const char* AutoSerialFileLogger::currentFilePath() const { return filePath; }

long long AutoSerialFileLogger::periodNow() const {
    return (static_cast<long long>(clock()) + TimeUtil::offsetFromUtc()) / cutPeriod;
}
