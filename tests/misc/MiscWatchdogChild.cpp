// Watchdog helper process: logs to files in a folder, watches its main thread, then either
// stalls the main thread ("hang") or keeps its event loop running ("alive").
//     misc_watchdog_child <log folder> <timeout seconds> hang|alive
#include <cstdlib>
#include <cstring>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "AutoSerialFileLogger.h"
#include "LogSystem.h"
#include "ThreadHangDetector.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    QCoreApplication app(argc, argv);
    const int timeout = std::atoi(argv[2]);
    AutoSerialFileLogger logger(argv[1], "WD", 30, 0);
    LogSystem::getSysLogSystem()->setLogger(&logger);
    LogSystem::getSysLogSystem()->startLog();
    LogSystem::i("WD", "watching for %d seconds", timeout);

    ThreadHangDetector detector(timeout);
    if (std::strcmp(argv[3], "hang") == 0) {
        QThread::sleep(static_cast<unsigned long>(timeout) * 10 + 10);
        return 0;  // not reached: the watchdog ends the process
    }
    QTimer::singleShot(timeout * 1000 + 2500, &app, &QCoreApplication::quit);
    int result = app.exec();
    LogSystem::i("WD", "still alive");
    LogSystem::flush();
    return result;
}
