#include "EventWait.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace EventWait {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

void settle(int ms) {
    waitFor([] { return false; }, ms);
}

}  // namespace EventWait
