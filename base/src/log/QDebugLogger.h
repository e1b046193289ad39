#pragma once

#include "SysLogger.h"

// Formats each message into a 312-byte stack buffer (at most 311 characters) and discards it:
// it produces no output.
class QDebugLogger : public SysLogger {
  public:
    using SysLogger::log;
    void log(const char* tag, LogLevel level, const char* format, va_list args) override
        RV_PRINTF_FORMAT(4, 0);
    static void _log(const char* tag, LogLevel level, const char* format, va_list args)
        RV_PRINTF_FORMAT(3, 0);
};
