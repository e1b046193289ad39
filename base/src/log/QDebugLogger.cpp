#include "QDebugLogger.h"

#include <cstdio>

void QDebugLogger::log(const char* tag, LogLevel level, const char* format, va_list args) {
    _log(tag, level, format, args);
}

void QDebugLogger::_log(const char*, LogLevel, const char* format, va_list args) {
    char text[312];
    vsnprintf(text, sizeof(text), format, args);
}
