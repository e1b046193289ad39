#pragma once

#include <cstdio>
#include <ctime>

#include "SysLogger.h"

class PeriodicCallBack;

// Writes lines to daily serial files "<prefix>-YYYY-MM-DD-NNN.log" in a folder, and on start
// deletes the prefix's files dated more than `keepDays` days before today. The file is created
// exclusively: a name already taken (another process, the same second) moves on to the next
// serial. Lines go through a buffered stdio stream; they reach the disk on flush(), when the
// buffer fills and at normal process exit.
//
// Cut mode 4: the file is closed and the next serial opened at each local 00:00, 04:00, ...,
// 20:00, checked once a second by a timer on the main thread's event loop while started.
// Other cut modes never re-open the file.
//
// Called by LogSystem under its mutex; the timed cut takes the same mutex. In cut mode 4,
// start() and stop() (so startLog() and stopLog()) run on the main thread, where the timer lives.
class AutoSerialFileLogger : public SysLogger {
  public:
    // Seconds since the epoch, like time(nullptr).
    using Clock = time_t (*)();

    AutoSerialFileLogger(const char* folder, const char* prefix, int keepDays, int cutMode);
    // Frees the copies and releases the cut timer; an open file is left open.
    ~AutoSerialFileLogger() override;
    AutoSerialFileLogger(const AutoSerialFileLogger&) = delete;
    AutoSerialFileLogger& operator=(const AutoSerialFileLogger&) = delete;

    void flush() override;
    // Opens the day's next file (and in cut mode 4 starts the cut timer); nothing when open.
    void start() override;
    // Closes the file (and stops the cut timer).
    void stop() override;
    using SysLogger::log;
    // Writes "HH:MM:SS: LEVEL TAG: message\n" (local time) with no length limit.
    void log(const char* tag, LogLevel level, const char* format, va_list args) override
        RV_PRINTF_FORMAT(4, 0);

    // Deletes expired files, then, when no file is open, opens the day's next serial.
    void openFileAndCleanupOldLogs();
    // The timed-cut check: re-opens the file when the four-hour period changed; nothing unless
    // started in cut mode 4. Takes the LogSystem mutex; must not be called with it held.
    void cut();
    // Timer entry: `data` is the logger.
    static void _cut(void* data);

    // Replaces the clock used for dates, line times and periods (tests). Call before start().
    void setClock(Clock clock);
    // The path of the open file, or null (owned by the logger, valid until it closes).
    const char* currentFilePath() const;

  private:
    void writeFormatted(const char* tag, LogLevel level, const char* format, ...)
        RV_PRINTF_FORMAT(4, 5);
    void writeText(const char* tag, LogLevel level, const char* text);
    // Creates the day's file with the first free serial from `serial` on.
    void createNextFile(int year, int month, int day, long long serial);
    void closeFile();
    long long periodNow() const;

    char* folder;
    char* prefix;
    int keepDays;
    FILE* file = nullptr;
    char* filePath = nullptr;
    Clock clock;
    // Timed cut; 0, null and 0 outside cut mode 4.
    int cutPeriod = 0;
    PeriodicCallBack* cutCallBack = nullptr;
    long long cutIndex = 0;
    // "HH:MM:SS: " of the last line's second, made again when the second changes.
    time_t stampTime = -1;
    char stamp[32] = "";
};
