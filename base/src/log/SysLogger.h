#pragma once

#include <cstdarg>

#include "LogLevel.h"

// Base of all loggers. LogSystem calls one logger at a time, under its mutex.
class SysLogger {
  public:
    virtual ~SysLogger();

    virtual void flush();
    virtual void start();
    virtual void stop();
    // Formats the message into a 4096-byte heap buffer (at most 4095 characters) and hands it
    // to the text overload.
    virtual void log(const char* tag, LogLevel level, const char* format, va_list args)
        RV_PRINTF_FORMAT(4, 0);
    // Receives one formatted message; the base drops it.
    virtual void log(const char* tag, LogLevel level, const char* text);
};
