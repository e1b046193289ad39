#pragma once

// Log levels; a line is written when its level is at most the current level.
enum class LogLevel : int { FATAL = 0, CRIT = 1, ERROR = 2, WARN = 3, INFO = 4, DBG = 5 };

// The five-character name printed in a line ("FATAL", "CRIT ", ..., "DBG  "); "?????" outside 0..5.
const char* logLevelName(LogLevel level);

#if defined(__GNUC__)
// Lets the compiler check a printf-style format: `fmt` is the format's parameter index (from 1,
// counting `this` for members), `args` the first variadic one, or 0 for a va_list.
#define RV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define RV_PRINTF_FORMAT(fmt, args)
#endif
