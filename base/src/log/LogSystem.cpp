#include "LogSystem.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "_DoNothingLogger.h"

namespace {

// Created on first use (at the latest by the static initialisation below); never freed.
SysLogger* defaultLogger() {
    static SysLogger* const logger = new _DoNothingLogger;
    return logger;
}
SysLogger* const initDefaultLogger = defaultLogger();

// The message of one line, formatted into a buffer of the calling thread without a length limit.
const char* formatMessage(const char* format, va_list args) {
    thread_local std::string text(256, '\0');
    va_list again;
    va_copy(again, args);
    const int length = vsnprintf(&text[0], text.size(), format, args);
    if (length >= 0 && static_cast<size_t>(length) >= text.size()) {
        text.resize(static_cast<size_t>(length) + 1);
        vsnprintf(&text[0], text.size(), format, again);
    }
    va_end(again);
    return length < 0 ? "" : text.c_str();
}

// Hands the formatted message to the logger through its format entry.
void logFormatted(SysLogger* logger, const char* tag, LogLevel lineLevel, const char* format, ...)
    RV_PRINTF_FORMAT(4, 5);
void logFormatted(SysLogger* logger, const char* tag, LogLevel lineLevel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logger->log(tag, lineLevel, format, args);
    va_end(args);
}

}  // namespace

LogSystem::LogSystem()
    : logger(defaultLogger()), level(static_cast<int>(LogLevel::INFO)), started(false) {}

LogSystem* LogSystem::getSysLogSystem() {
    // Never destroyed, so threads may log until the process ends.
    static LogSystem* const _globalLogSystem = new LogSystem;
    return _globalLogSystem;
}

void LogSystem::setLogger(SysLogger* newLogger) {
    std::lock_guard<OsalMutex> lock(mutex);
    if (!started) logger = newLogger ? newLogger : defaultLogger();
}

void LogSystem::setLogLevel(LogLevel newLevel) {
    const unsigned value = static_cast<unsigned>(newLevel);
    if (value > static_cast<unsigned>(LogLevel::DBG)) return;
    std::lock_guard<OsalMutex> lock(mutex);
    level = static_cast<int>(value);
}

void LogSystem::startLog() {
    std::lock_guard<OsalMutex> lock(mutex);
    if (started || !logger) return;
    started = true;
    logger->start();
}

void LogSystem::stopLog() {
    std::lock_guard<OsalMutex> lock(mutex);
    if (!started) return;
    started = false;
    logger->stop();
}

bool LogSystem::accepts(const char* tag, LogLevel lineLevel, const char* format) const {
    const int value = static_cast<int>(lineLevel);
    return started && tag && format && value >= 0 && value <= level;
}

void LogSystem::log(const char* tag, LogLevel lineLevel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    log(tag, lineLevel, format, args);
    va_end(args);
}

void LogSystem::log(const char* tag, LogLevel lineLevel, const char* format, va_list args) {
    if (!accepts(tag, lineLevel, format)) return;
    // Formatted before the lock, so threads format at the same time.
    const char* text = formatMessage(format, args);
    std::lock_guard<OsalMutex> lock(mutex);
    // Checked again: logging may have stopped or the level dropped meanwhile.
    if (accepts(tag, lineLevel, format)) logFormatted(logger, tag, lineLevel, "%s", text);
}

void LogSystem::flushLog() {
    std::lock_guard<OsalMutex> lock(mutex);
    logger->flush();
}

void LogSystem::runLocked(const std::function<void()>& fn) {
    std::lock_guard<OsalMutex> lock(mutex);
    fn();
}

void LogSystem::l(const char* tag, LogLevel lineLevel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    getSysLogSystem()->log(tag, lineLevel, format, args);
    va_end(args);
}

void LogSystem::l(const char* tag, LogLevel lineLevel, const char* format, va_list args) {
    getSysLogSystem()->log(tag, lineLevel, format, args);
}

// The body of the fixed-level entries: forwards their variadic arguments.
#define RV_LOG_AT(lineLevel)                              \
    va_list args;                                         \
    va_start(args, format);                               \
    getSysLogSystem()->log(tag, lineLevel, format, args); \
    va_end(args)

void LogSystem::e(const char* tag, const char* format, ...) { RV_LOG_AT(LogLevel::ERROR); }

void LogSystem::w(const char* tag, const char* format, ...) { RV_LOG_AT(LogLevel::WARN); }

void LogSystem::i(const char* tag, const char* format, ...) { RV_LOG_AT(LogLevel::INFO); }

void LogSystem::d(const char* tag, const char* format, ...) { RV_LOG_AT(LogLevel::DBG); }

#undef RV_LOG_AT

void LogSystem::flush() { getSysLogSystem()->flushLog(); }
