// A process holding the single-instance guard: prints "primary ID" or "secondary ID", then
// runs until it is sent a signal or its standard input closes. Options, in this order:
//   notify            the guard's mode has NotifyPrimary (a secondary announces itself); the
//                     primary prints "started" for each instanceStarted()
//   collect           the primary takes each sender's pieces as one message of the pattern
//                     below and prints "received ID BYTES ok|bad" after each piece (else
//                     "message ID TEXT" for each piece)
//   send TEXT         a secondary sends TEXT, prints "sent 1" or "sent 0" and ends
//   send-pattern N    the same with N bytes of the pattern: byte i is i % 251
#include <cstdio>
#include <cstring>
#include <map>

#include <QSocketNotifier>

#include "SingleApplication.h"

namespace {

QByteArray pattern(qint64 from, int count) {
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i) bytes[i] = char((from + i) % 251);
    return bytes;
}

// One sender's pieces: how many bytes arrived and whether all followed the pattern.
struct Collected {
    qint64 bytes = 0;
    bool ok = true;
};

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
    const bool collect = option("collect");
    SingleApplication::Modes mode = SingleApplication::PerUser;
    if (notify) mode |= SingleApplication::NotifyPrimary;
    SingleApplication app(argc, argv, true, mode, 100);
    print((app.isPrimary() ? "primary " : "secondary ") + QByteArray::number(app.instanceId()));
    QObject::connect(&app, &SingleApplication::instanceStarted, [] { print("started"); });
    std::map<uint, Collected> collected;
    QObject::connect(&app, &SingleApplication::receivedMessage, [&](uint id, QByteArray text) {
        if (!collect) {
            print("message " + QByteArray::number(id) + " " + text);
            return;
        }
        Collected& sender = collected[id];
        sender.ok = sender.ok && text == pattern(sender.bytes, text.size());
        sender.bytes += text.size();
        print("received " + QByteArray::number(id) + " " + QByteArray::number(sender.bytes) +
              (sender.ok ? " ok" : " bad"));
    });
    if (next + 1 < argc && app.isSecondary()) {
        QByteArray message = argv[next + 1];
        if (std::strcmp(argv[next], "send-pattern") == 0) message = pattern(0, message.toInt());
        print(QByteArray("sent ") + (app.sendMessage(message, 2000) ? "1" : "0"));
        return 0;
    }
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return app.exec();
}
