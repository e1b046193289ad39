#include "SingleApplicationPrivate.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QMutexLocker>
#include <QSharedMemory>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

namespace {

const int terminatingSignals[] = {SIGHUP,  SIGINT, SIGQUIT, SIGILL,  SIGABRT, SIGFPE,  SIGBUS,
                                  SIGSEGV, SIGSYS, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ};
const int handshakeWait = 100;
const int maxFlagSlots = 8;

// Live private parts, released on the main thread when a signal arrives.
QMutex instancesMutex;
QList<SingleApplicationPrivate*> liveInstances;

// Primary flags of the blocks this process holds, for the fault handler.
std::atomic<quint8*> primaryFlags[maxFlagSlots];

int signalPipe[2] = {-1, -1};

bool isFaultSignal(int signum) {
    return signum == SIGILL || signum == SIGABRT || signum == SIGFPE || signum == SIGBUS ||
           signum == SIGSEGV || signum == SIGSYS;
}

// Async-signal-safe: a fault only clears the flags and ends; anything else goes to the pipe.
void onSignal(int signum) {
    if (isFaultSignal(signum) || signalPipe[1] < 0) {
        for (auto& flag : primaryFlags) {
            quint8* p = flag.load();
            if (p) *p = 0;
        }
        _exit(128 + signum);
    }
    unsigned char byte = (unsigned char)signum;
    ssize_t written = write(signalPipe[1], &byte, 1);
    (void)written;
}

// Main thread: releases every live private part, last first, then ends the process. The
// process ends without running static destructors: Qt's threads (the web engine's among them)
// are still alive then, and tearing the statics down under them crashes.
void releaseAllAndExit(int signum) {
    QList<SingleApplicationPrivate*> instances;
    {
        QMutexLocker lock(&instancesMutex);
        instances = liveInstances;
    }
    for (int i = instances.size() - 1; i >= 0; --i) delete instances[i];
    fflush(nullptr);
    _exit(128 + signum);
}

void openSignalPipe() {
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        unsigned char byte = 0;
        if (read(signalPipe[0], &byte, 1) == 1) releaseAllAndExit(byte);
    });
}

void setFlagSlot(quint8* oldFlag, quint8* newFlag) {
    for (auto& slot : primaryFlags) {
        quint8* expected = oldFlag;
        if (slot.compare_exchange_strong(expected, newFlag)) return;
    }
}

// The user name and line end, as "whoami" prints it, without running it.
QByteArray userLine() {
    struct passwd* entry = getpwuid(geteuid());
    if (!entry || !entry->pw_name) return QByteArray();
    return QByteArray(entry->pw_name) + '\n';
}

}  // namespace

SingleApplicationPrivate::SingleApplicationPrivate(SingleApplication* q,
                                                   SingleApplication::Modes mode)
    : q(q), options(mode) {}

SingleApplicationPrivate::~SingleApplicationPrivate() {
    removeFromSignalList();
    if (socket) {
        socket->close();
        delete socket;
        socket = nullptr;
    }
    if (memory && memory->isAttached()) {
        memory->lock();
        if (server) {
            server->close();
            delete server;
            server = nullptr;
            setFlagSlot((quint8*)&info()->primary, nullptr);
            info()->primary = 0;
        }
        memory->unlock();
    }
    delete memory;
}

QString SingleApplicationPrivate::genBlockServerName(int timeout) {
    Q_UNUSED(timeout);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("SingleApplication", 17);
    hash.addData(QCoreApplication::applicationName().toUtf8());
    hash.addData(QCoreApplication::organizationName().toUtf8());
    hash.addData(QCoreApplication::organizationDomain().toUtf8());
    if (!options.testFlag(SingleApplication::IgnoreVersion))
        hash.addData(QCoreApplication::applicationVersion().toUtf8());
    if (!options.testFlag(SingleApplication::IgnoreFilePath))
        hash.addData(QCoreApplication::applicationFilePath().toUtf8());
    if (options.testFlag(SingleApplication::PerUser)) {
        QByteArray user = userLine();
        if (user.isEmpty())
            user = QStandardPaths::standardLocations(QStandardPaths::HomeLocation)
                       .join(QString())
                       .toUtf8();
        hash.addData(user);
    }
    return QString::fromLatin1(hash.result().toBase64()).replace('/', '_');
}

bool SingleApplicationPrivate::start(bool allowSecondary, int timeout) {
    blockServerName = genBlockServerName(timeout);
    {
        // Discards a block that no live process holds any more.
        QSharedMemory stale(blockServerName);
        if (stale.attach()) stale.detach();
    }
    memory = new QSharedMemory(blockServerName);
    if (memory->create(sizeof(InstancesInfo))) {
        memory->lock();
        info()->primary = 1;
        info()->secondary = 0;
        memory->unlock();
        startPrimary(true);
        return true;
    }
    if (memory->attach()) {
        memory->lock();
        bool primaryRuns = info()->primary != 0;
        memory->unlock();
        // A primary that died without releasing leaves its flag set but answers no more.
        if (primaryRuns && !primaryAnswers(timeout)) {
            memory->lock();
            info()->primary = 0;
            memory->unlock();
        }
        memory->lock();
        if (info()->primary == 0) {
            info()->primary = 1;
            memory->unlock();
            startPrimary(false);
            return true;
        }
        if (allowSecondary) {
            info()->secondary += 1;
            instanceNumber = info()->secondary;
            memory->unlock();
            startSecondary(timeout);
            return true;
        }
        memory->unlock();
    }
    connectToPrimary(timeout, 'N');
    return false;
}

bool SingleApplicationPrivate::primaryAnswers(int timeout) {
    QElapsedTimer clock;
    clock.start();
    do {
        QLocalSocket probe;
        probe.connectToServer(blockServerName);
        if (probe.waitForConnected(timeout)) {
            probe.abort();
            return true;
        }
        // A primary that has just set its flag may not listen yet.
        QThread::msleep(5);
    } while (clock.elapsed() < qMax(timeout, 20));
    return false;
}

void SingleApplicationPrivate::startPrimary(bool reset) {
    installSignalHandlers();
    QLocalServer::removeServer(blockServerName);
    server = new QLocalServer();
    server->setSocketOptions(options.testFlag(SingleApplication::PerUser)
                                 ? QLocalServer::UserAccessOption
                                 : QLocalServer::WorldAccessOption);
    server->listen(blockServerName);
    connect(server, SIGNAL(newConnection()), this, SLOT(slotConnectionEstablished()));
    memory->lock();
    info()->primary = 1;
    if (reset) info()->secondary = 0;
    memory->unlock();
    setFlagSlot(nullptr, (quint8*)&info()->primary);
    instanceNumber = 0;
}

void SingleApplicationPrivate::startSecondary(int timeout) {
    installSignalHandlers();
    if (options.testFlag(SingleApplication::NotifyPrimary)) connectToPrimary(timeout, 'S');
}

bool SingleApplicationPrivate::connectToPrimary(int timeout, char type) {
    if (!socket) socket = new QLocalSocket();
    if (socket->state() == QLocalSocket::ConnectedState) return true;
    if (socket->state() == QLocalSocket::UnconnectedState ||
        socket->state() == QLocalSocket::ClosingState)
        socket->connectToServer(blockServerName, QIODevice::ReadWrite);
    if (socket->state() == QLocalSocket::ConnectingState) socket->waitForConnected(timeout);
    if (socket->state() != QLocalSocket::ConnectedState) return false;
    return writeMessage(handshake(type), timeout);
}

bool SingleApplicationPrivate::writeMessage(const QByteArray& message, int timeout) {
    if (socket->write(message) != message.size()) return false;
    // The socket takes what the primary has room for at a time; the rest waits in its buffer
    // and would be lost if the process ended now.
    while (socket->bytesToWrite() > 0) {
        if (!socket->waitForBytesWritten(timeout)) return false;
    }
    return socket->state() == QLocalSocket::ConnectedState;
}


QByteArray SingleApplicationPrivate::handshake(char type) const {
    QByteArray bytes = blockServerName.toLatin1();
    bytes.append(type);
    bytes.append((const char*)&instanceNumber, sizeof(instanceNumber));
    return bytes + checksumText(bytes);
}

QByteArray SingleApplicationPrivate::checksumText(const QByteArray& bytes) {
    // The wire rule: the 16-bit CRC written by QByteArray::number in base 256.
    return QByteArray::number(qChecksum(bytes.constData(), (uint)bytes.size()), 256);
}

void SingleApplicationPrivate::installSignalHandlers() {
    openSignalPipe();
    {
        QMutexLocker lock(&instancesMutex);
        if (!liveInstances.contains(this)) liveInstances.append(this);
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signum : terminatingSignals) sigaction(signum, &action, nullptr);
}

void SingleApplicationPrivate::removeFromSignalList() {
    QMutexLocker lock(&instancesMutex);
    liveInstances.removeAll(this);
}

SingleApplicationPrivate::InstancesInfo* SingleApplicationPrivate::info() {
    return (InstancesInfo*)memory->data();
}

bool SingleApplicationPrivate::readHandshake(QLocalSocket* client, quint32* instanceId,
                                             char* type) {
    if (!client->waitForReadyRead(handshakeWait)) return false;
    QByteArray name = blockServerName.toLatin1();
    QByteArray received;
    auto readExactly = [&](int count) {
        QElapsedTimer clock;
        clock.start();
        QByteArray part;
        while (part.size() < count && clock.elapsed() < handshakeWait) {
            part += client->read(count - part.size());
            if (part.size() < count) client->waitForReadyRead(handshakeWait - (int)clock.elapsed());
        }
        received += part;
        return part;
    };
    if (readExactly(name.size()) != name) return false;
    QByteArray typeByte = readExactly(1);
    if (typeByte.size() != 1 || !QByteArray("NSR").contains(typeByte[0])) return false;
    QByteArray number = readExactly(sizeof(quint32));
    if (number.size() != (int)sizeof(quint32)) return false;
    QByteArray expected = checksumText(received);
    if (readExactly(expected.size()) != expected) return false;
    *type = typeByte[0];
    std::memcpy(instanceId, number.constData(), sizeof(quint32));
    return true;
}

void SingleApplicationPrivate::slotConnectionEstablished() {
    QLocalSocket* client = server->nextPendingConnection();
    if (!client) return;
    quint32 id = 0;
    char type = 0;
    if (!readHandshake(client, &id, &type)) {
        client->close();
        delete client;
        return;
    }
    connect(client, &QLocalSocket::aboutToClose, this,
            [this, client, id] { slotClientConnectionClosed(client, id); });
    connect(client, &QLocalSocket::readyRead, this,
            [this, client, id] { slotDataAvailable(client, id); });
    if (type == 'N' || (type == 'S' && options.testFlag(SingleApplication::NotifyPrimary)))
        emit q->instanceStarted();
    if (client->bytesAvailable() > 0) emit q->receivedMessage(id, client->readAll());
}

void SingleApplicationPrivate::slotDataAvailable(QLocalSocket* client, uint instanceId) {
    emit q->receivedMessage(instanceId, client->readAll());
}

void SingleApplicationPrivate::slotClientConnectionClosed(QLocalSocket* client, uint instanceId) {
    if (client->bytesAvailable() > 0) emit q->receivedMessage(instanceId, client->readAll());
    client->deleteLater();
}
