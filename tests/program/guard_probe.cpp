// A process holding the single-instance guard: prints "primary ID" or "secondary ID", then
// runs until it is sent a signal or its standard input closes.
#include <cstdio>

#include <QSocketNotifier>

#include "SingleApplication.h"

int main(int argc, char** argv) {
    SingleApplication app(argc, argv, true, SingleApplication::PerUser, 100);
    std::printf("%s %u\n", app.isPrimary() ? "primary" : "secondary", app.instanceId());
    std::fflush(stdout);
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}
