#pragma once

#include <atomic>
#include <cstdarg>
#include <functional>

#include "LogLevel.h"
#include "OsalMutex.h"
#include "SysLogger.h"

// The process-wide log dispatcher. Any thread may log; every line goes, under one mutex, to the
// one installed logger (not owned). A line is written only while logging is started, when tag
// and format are non-null and its level is at most the current level (INFO at first); other
// lines are dropped without taking the mutex.
//
// Messages are printf formats, checked at compile time: pass a text as ("%s", text).
//
//     LogSystem::i("MAIN", "%s, ver. %s", title, version);
//     LogSystem::l("THD", LogLevel::FATAL, "thread %s hangs", name);
class LogSystem {
  public:
    // The instance, created on first use (first call from the main thread before other threads).
    static LogSystem* getSysLogSystem();

    // While not started: makes `logger` current (null: the do-nothing logger). Ignored while
    // started. The caller keeps ownership and keeps it alive while it is installed.
    void setLogger(SysLogger* logger);
    // Levels outside 0..5 are ignored.
    void setLogLevel(LogLevel level);
    // Marks logging started and calls the logger's start(); nothing when already started.
    void startLog();
    // Marks logging stopped and calls the logger's stop(); nothing when not started.
    void stopLog();

    void log(const char* tag, LogLevel level, const char* format, ...) RV_PRINTF_FORMAT(4, 5);
    void log(const char* tag, LogLevel level, const char* format, va_list args)
        RV_PRINTF_FORMAT(4, 0);
    // The logger's flush().
    void flushLog();

    // Runs `fn` holding the log mutex, so no line is written meanwhile. `fn` must not log
    // through LogSystem (the mutex is not recursive); it may call the logger directly.
    void runLocked(const std::function<void()>& fn);

    static void l(const char* tag, LogLevel level, const char* format, ...) RV_PRINTF_FORMAT(3, 4);
    static void l(const char* tag, LogLevel level, const char* format, va_list args)
        RV_PRINTF_FORMAT(3, 0);
    static void e(const char* tag, const char* format, ...) RV_PRINTF_FORMAT(2, 3);
    static void w(const char* tag, const char* format, ...) RV_PRINTF_FORMAT(2, 3);
    static void i(const char* tag, const char* format, ...) RV_PRINTF_FORMAT(2, 3);
    static void d(const char* tag, const char* format, ...) RV_PRINTF_FORMAT(2, 3);
    static void flush();

  private:
    LogSystem();
    // Whether a line of `level` would be written now; read without the mutex.
    bool accepts(const char* tag, LogLevel level, const char* format) const;

    OsalMutex mutex;
    // Guarded by `mutex`.
    SysLogger* logger;
    // Written under `mutex`, read without it by the drop check.
    std::atomic<int> level;
    std::atomic<bool> started;
};
