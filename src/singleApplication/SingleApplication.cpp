#include "SingleApplication.h"

#include <cstdlib>

#include "SingleApplicationPrivate.h"

SingleApplication::SingleApplication(int& argc, char** argv, bool allowSecondary, QFlags<Mode> mode,
                                     int timeout)
    : QApplication(argc, argv), d(new SingleApplicationPrivate(this, mode)) {
    if (!d->start(allowSecondary, timeout)) {
        delete d;
        d = nullptr;
        std::exit(0);
    }
}

SingleApplication::~SingleApplication() { delete d; }

bool SingleApplication::isPrimary() { return d->server != nullptr; }

bool SingleApplication::isSecondary() { return d->server == nullptr; }

quint32 SingleApplication::instanceId() { return d->instanceNumber; }

bool SingleApplication::sendMessage(QByteArray message, int timeout) {
    if (isPrimary()) return false;
    return d->connectToPrimary(timeout, 'R') && d->writeMessage(message, timeout);
}
