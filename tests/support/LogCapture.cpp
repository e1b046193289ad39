#include "LogCapture.h"

#include "LogSystem.h"

LogCapture& LogCapture::install() {
    static LogCapture* capture = [] {
        auto* c = new LogCapture;
        LogSystem::getSysLogSystem()->setLogger(c);
        LogSystem::getSysLogSystem()->startLog();
        return c;
    }();
    return *capture;
}

void LogCapture::log(const char* tag, LogLevel level, const char* text) {
    std::lock_guard<std::mutex> guard(lock);
    kept.push_back({tag, level, text});
}

std::vector<LogCapture::Line> LogCapture::lines() {
    std::lock_guard<std::mutex> guard(lock);
    return kept;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> guard(lock);
    kept.clear();
}

std::vector<std::string> LogCapture::take() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> taken;
    for (const Line& line : kept) taken.push_back(line.tag + ": " + line.text);
    kept.clear();
    return taken;
}

bool LogCapture::contains(const std::string& tag, const std::string& part) {
    for (const Line& line : lines())
        if (line.tag == tag && line.text.find(part) != std::string::npos) return true;
    return false;
}

int LogCapture::count(const std::string& tag, const std::string& text) {
    int n = 0;
    for (const Line& line : lines()) n += line.tag == tag && line.text == text;
    return n;
}
