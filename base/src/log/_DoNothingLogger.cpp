#include "_DoNothingLogger.h"

void _DoNothingLogger::log(const char*, LogLevel, const char*, va_list) {}
