#include "SysLogger.h"

#include <cstdio>
#include <memory>

namespace {
const size_t kMessageBuffer = 4096;
}

SysLogger::~SysLogger() = default;

void SysLogger::flush() {}

void SysLogger::start() {}

void SysLogger::stop() {}

void SysLogger::log(const char* tag, LogLevel level, const char* format, va_list args) {
    std::unique_ptr<char[]> text(new char[kMessageBuffer]);
    vsnprintf(text.get(), kMessageBuffer, format, args);
    log(tag, level, text.get());
}

void SysLogger::log(const char*, LogLevel, const char*) {}
