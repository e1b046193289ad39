#include "LogLevel.h"

const char* logLevelName(LogLevel level) {
    static const char* const names[] = {"FATAL", "CRIT ", "ERROR", "WARN ", "INFO ", "DBG  "};
    const unsigned index = static_cast<unsigned>(level);
    return index < sizeof(names) / sizeof(names[0]) ? names[index] : "?????";
}
