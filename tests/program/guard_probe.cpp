// A process holding the single-instance guard: prints "primary ID" or "secondary ID", then
// runs until it is sent a signal or its standard input closes. Options, in this order:
//   notify            the guard's mode has NotifyPrimary (a secondary announces itself); the
//                     primary prints "started" for each instanceStarted()
//   send TEXT         a secondary sends TEXT, prints "sent 1" or "sent 0" and ends
// The primary prints "message ID TEXT" for each message piece it receives.
#include <cstdio>
#include <cstring>

#include <QSocketNotifier>

#include "SingleApplication.h"

namespace {

void print(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int next = 1;
    auto option = [&](const char* name) {
        const bool given = next < argc && std::strcmp(argv[next], name) == 0;
        if (given) ++next;
        return given;
    };
    const bool notify = option("notify");
    SingleApplication::Modes mode = SingleApplication::PerUser;
    if (notify) mode |= SingleApplication::NotifyPrimary;
    SingleApplication app(argc, argv, true, mode, 100);
    print((app.isPrimary() ? "primary " : "secondary ") + QByteArray::number(app.instanceId()));
    QObject::connect(&app, &SingleApplication::instanceStarted, [] { print("started"); });
    QObject::connect(&app, &SingleApplication::receivedMessage, [](uint id, QByteArray text) {
        print("message " + QByteArray::number(id) + " " + text);
    });
    if (next + 1 < argc && std::strcmp(argv[next], "send") == 0 && app.isSecondary()) {
        print(QByteArray("sent ") + (app.sendMessage(argv[next + 1], 2000) ? "1" : "0"));
        return 0;
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}
