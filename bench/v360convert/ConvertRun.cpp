// One panorama conversion as a process of its own, the way the conversion overlay starts it:
//
//   v360convert_run SOURCE TARGET WIDTH
//
// The output is WIDTH x WIDTH / 2 with the frame centre and half the width as the lens circle.
// Exit code 0 on success, else 1 with the job's result code on the standard error. The log,
// with the stage times of the job, goes to the standard error.
#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "LogSystem.h"
#include "SysLogger.h"
#include "VideoSimple360Generator.h"

namespace {

class StandardErrorLogger : public SysLogger {
  public:
    using SysLogger::log;
    void log(const char* tag, LogLevel, const char* text) override {
        std::fprintf(stderr, "%s: %s\n", tag, text);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int width = args.size() == 4 ? args[3].toInt() : 0;
    if (width < 2) {
        std::fprintf(stderr, "usage: v360convert_run SOURCE TARGET WIDTH\n");
        return 2;
    }
    StandardErrorLogger logger;
    LogSystem::getSysLogSystem()->setLogger(&logger);
    LogSystem::getSysLogSystem()->startLog();
    int result = 0;
    auto* job = VideoSimple360Generator::genPanoramaVideo(args[1], args[2], width, width / 2, -1,
                                                          -1, -1, -1, -1);
    QObject::connect(job, &VideoSimple360Generator::videoGenerationFinished, &app,
                     [&] { app.quit(); });
    QObject::connect(job, &VideoSimple360Generator::videoGenerationFailed, &app, [&](int code) {
        result = code;
        app.quit();
    });
    app.exec();
    if (result != 0) std::fprintf(stderr, "conversion failed: %d\n", result);
    return result == 0 ? 0 : 1;
}
