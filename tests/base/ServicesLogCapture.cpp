#include "ServicesLogCapture.h"

#include "LogSystem.h"

void ServicesLogCapture::log(const char* tag, LogLevel lineLevel, const char* text) {
    lines.push_back(std::string(tag) + ": " + text);
    level = lineLevel;
}

ServicesLogCapture& ServicesLogCapture::install() {
    static ServicesLogCapture* capture = [] {
        auto* c = new ServicesLogCapture;
        LogSystem* system = LogSystem::getSysLogSystem();
        system->stopLog();
        system->setLogger(c);
        system->startLog();
        return c;
    }();
    return *capture;
}

std::vector<std::string> ServicesLogCapture::take() {
    std::vector<std::string> taken;
    taken.swap(lines);
    return taken;
}

LogLevel ServicesLogCapture::lastLevel() const {
    return level;
}
