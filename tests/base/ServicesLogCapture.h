#pragma once

#include <string>
#include <vector>

#include "SysLogger.h"

// A logger that keeps every line as "TAG: message" (with its level), installed in the
// process-wide LogSystem for the whole test run by the first install() call.
class ServicesLogCapture : public SysLogger {
public:
    using SysLogger::log;
    void log(const char* tag, LogLevel level, const char* text) override;

    static ServicesLogCapture& install();
    // The lines since the last take(), then forgets them.
    std::vector<std::string> take();
    LogLevel lastLevel() const;

private:
    std::vector<std::string> lines;
    LogLevel level = LogLevel::INFO;
};
