#pragma once

#include "SysLogger.h"

// Drops every line; LogSystem's logger whenever none is installed.
class _DoNothingLogger : public SysLogger {
  public:
    using SysLogger::log;
    void log(const char* tag, LogLevel level, const char* format, va_list args) override
        RV_PRINTF_FORMAT(4, 0);
};
