#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "SysLogger.h"

// Keeps every log line in memory. install() makes one instance the started
// logger of the process (once per test program).
class LogCapture : public SysLogger {
  public:
    struct Line {
        std::string tag;
        LogLevel level;
        std::string text;
    };

    static LogCapture& install();

    using SysLogger::log;
    void log(const char* tag, LogLevel level, const char* text) override;

    std::vector<Line> lines();
    void clear();
    // The lines so far as "TAG: text", then forgets them.
    std::vector<std::string> take();
    // Whether a line of `tag` contains `part`.
    bool contains(const std::string& tag, const std::string& part);
    // How many lines have this tag and text.
    int count(const std::string& tag, const std::string& text);

  private:
    std::mutex lock;
    std::vector<Line> kept;  // guarded by lock
};
