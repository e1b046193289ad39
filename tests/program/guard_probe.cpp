// A process holding the single-instance guard: prints "primary ID" or "secondary ID", then
// runs until it is sent a signal or its standard input closes. The primary prints
// "message ID TEXT" for each message it receives; with the arguments "send TEXT" a secondary
// sends TEXT to the primary and prints "sent 1" or "sent 0".
#include <cstdio>
#include <cstring>

#include <QSocketNotifier>

#include "SingleApplication.h"

int main(int argc, char** argv) {
    SingleApplication app(argc, argv, true, SingleApplication::PerUser, 100);
    std::printf("%s %u\n", app.isPrimary() ? "primary" : "secondary", app.instanceId());
    std::fflush(stdout);
    QObject::connect(&app, &SingleApplication::receivedMessage, [](uint id, QByteArray text) {
        std::printf("message %u %s\n", id, text.constData());
        std::fflush(stdout);
    });
    if (argc > 2 && std::strcmp(argv[1], "send") == 0 && app.isSecondary()) {
        std::printf("sent %d\n", app.sendMessage(argv[2], 2000) ? 1 : 0);
        std::fflush(stdout);
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}
