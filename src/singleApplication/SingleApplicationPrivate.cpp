#include "SingleApplicationPrivate.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
#include <QTimer>

namespace {

const int terminatingSignals[] = {SIGHUP,  SIGINT, SIGQUIT, SIGILL,  SIGABRT, SIGFPE,  SIGBUS,
                                  SIGSEGV, SIGSYS, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ};
const int handshakeWait = 100;
const int maxFlagSlots = 8;
// Longest wait for another launch's decision, in ms; past it a launch decides unlocked.
const int startLockWait = 5000;

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

// Held by a launch from before it looks at the block until it holds its role there, and by
// a release: so no launch attaches between another's create and its flag, and no two
// launches take the flag at once. The block's own lock cannot do this: it guards the block
// only once it exists, and create() takes its semaphore over. An advisory lock on
// "<temp>/<name>.lock", which the kernel drops with the process; when the file cannot be
// opened (another user's) or the wait runs out, the launch goes on unlocked.
class StartLock {
  public:
    StartLock(const QString& name, bool perUser) {
        const QByteArray path = QFile::encodeName(QDir::tempPath() + "/" + name + ".lock");
        fd = open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  perUser ? 0600 : 0644);
        if (fd < 0) return;
        QElapsedTimer clock;
        clock.start();
        while (flock(fd, LOCK_EX | LOCK_NB) != 0 && clock.elapsed() < startLockWait)
            QThread::msleep(1);
    }
    ~StartLock() {
        if (fd >= 0) close(fd);  // closing the only descriptor drops the lock
    }
    StartLock(const StartLock&) = delete;
    StartLock& operator=(const StartLock&) = delete;

  private:
    int fd = -1;
};

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
    release();
}

void SingleApplicationPrivate::release() {
    if (!memory) return;
    StartLock lock(blockServerName, options.testFlag(SingleApplication::PerUser));
    if (memory->isAttached()) {
        memory->lock();
        if (server) {
            for (QLocalSocket* client : server->findChildren<QLocalSocket*>())
                client->disconnect(this);
            pendingHandshakes.clear();
            server->close();
            delete server;
            server = nullptr;
            setFlagSlot((quint8*)&info()->primary, nullptr);
            info()->primary = 0;
        }
        memory->unlock();
    }
    delete memory;
    memory = nullptr;
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
    Role role;
    {
        StartLock lock(blockServerName, options.testFlag(SingleApplication::PerUser));
        role = decideRole(allowSecondary, timeout);
    }
    if (role == Role::Refused) {
        connectToPrimary(timeout, 'N');
        return false;
    }
    if (role == Role::Secondary && options.testFlag(SingleApplication::NotifyPrimary))
        connectToPrimary(timeout, 'S');
    return true;
}

// 1. Discard a block that no live process holds any more.
// 2. Create the block: primary.
// 3. Else attach: primary when no primary runs (or the one flagged answers no more),
//    else a secondary when secondaries are allowed.
SingleApplicationPrivate::Role SingleApplicationPrivate::decideRole(bool allowSecondary,
                                                                    int timeout) {
    {
        QSharedMemory stale(blockServerName);
        if (stale.attach()) stale.detach();
    }
    memory = new QSharedMemory(blockServerName);
    if (memory->create(sizeof(InstancesInfo))) {
        startPrimary(true);
        return Role::Primary;
    }
    if (!memory->attach()) return Role::Refused;
    memory->lock();
    const bool primaryRuns = info()->primary != 0;
    memory->unlock();
    // A primary that died without releasing leaves its flag set but answers no more.
    if (!primaryRuns || !primaryAnswers(timeout)) {
        startPrimary(false);
        return Role::Primary;
    }
    if (!allowSecondary) return Role::Refused;
    memory->lock();
    info()->secondary += 1;
    instanceNumber = info()->secondary;
    memory->unlock();
    installSignalHandlers();
    return Role::Secondary;
}

bool SingleApplicationPrivate::primaryAnswers(int timeout) {
    // A flagged primary listens before it lets the next launch look.
    QLocalSocket probe;
    probe.connectToServer(blockServerName);
    const bool answers = probe.waitForConnected(timeout);
    probe.abort();
    return answers;
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

// The handshake is read as it arrives, never waited for: an idle or slow connection does
// not hold up the main thread.
void SingleApplicationPrivate::slotConnectionEstablished() {
    while (QLocalSocket* client = server->nextPendingConnection()) {
        pendingHandshakes.insert(client, QByteArray());
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readHandshake(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            readHandshake(client);
            if (pendingHandshakes.contains(client)) dropConnection(client);
        });
        QTimer::singleShot(handshakeWait, client, [this, client] {
            if (pendingHandshakes.contains(client)) dropConnection(client);
        });
        readHandshake(client);
    }
}

void SingleApplicationPrivate::readHandshake(QLocalSocket* client) {
    auto pending = pendingHandshakes.find(client);
    if (pending == pendingHandshakes.end()) return;
    pending->append(client->readAll());
    char type = 0;
    quint32 id = 0;
    int length = 0;
    switch (parseHandshake(*pending, &type, &id, &length)) {
        case Handshake::Incomplete:
            return;
        case Handshake::Invalid:
            dropConnection(client);
            return;
        case Handshake::Complete: {
            const QByteArray message = pending->mid(length);
            pendingHandshakes.erase(pending);
            acceptConnection(client, type, id, message);
            return;
        }
    }
}

SingleApplicationPrivate::Handshake SingleApplicationPrivate::parseHandshake(
    const QByteArray& bytes, char* type, quint32* instanceId, int* length) const {
    const QByteArray name = blockServerName.toLatin1();
    if (!name.startsWith(bytes.left(name.size()))) return Handshake::Invalid;
    if (bytes.size() > name.size() && !QByteArray("NSR").contains(bytes[name.size()]))
        return Handshake::Invalid;
    const int fixedSize = name.size() + 1 + (int)sizeof(quint32);
    if (bytes.size() < fixedSize) return Handshake::Incomplete;
    const QByteArray expected = checksumText(bytes.left(fixedSize));
    const QByteArray checksum = bytes.mid(fixedSize, expected.size());
    if (!expected.startsWith(checksum)) return Handshake::Invalid;
    if (checksum.size() < expected.size()) return Handshake::Incomplete;
    *type = bytes[name.size()];
    std::memcpy(instanceId, bytes.constData() + name.size() + 1, sizeof(quint32));
    *length = fixedSize + expected.size();
    return Handshake::Complete;
}

void SingleApplicationPrivate::acceptConnection(QLocalSocket* client, char type, quint32 id,
                                                const QByteArray& message) {
    client->disconnect(this);
    connect(client, &QLocalSocket::aboutToClose, this,
            [this, client, id] { slotClientConnectionClosed(client, id); });
    connect(client, &QLocalSocket::disconnected, this,
            [this, client, id] { slotClientConnectionClosed(client, id); });
    connect(client, &QLocalSocket::readyRead, this,
            [this, client, id] { slotDataAvailable(client, id); });
    if (type == 'N' || (type == 'S' && options.testFlag(SingleApplication::NotifyPrimary)))
        emit q->instanceStarted();
    if (!message.isEmpty()) emit q->receivedMessage(id, message);
    // A sender that ended right after its handshake has already been disconnected.
    if (client->state() == QLocalSocket::UnconnectedState) slotClientConnectionClosed(client, id);
}

void SingleApplicationPrivate::dropConnection(QLocalSocket* client) {
    pendingHandshakes.remove(client);
    client->disconnect(this);
    client->close();
    client->deleteLater();
}

void SingleApplicationPrivate::slotDataAvailable(QLocalSocket* client, uint instanceId) {
    emit q->receivedMessage(instanceId, client->readAll());
}

void SingleApplicationPrivate::slotClientConnectionClosed(QLocalSocket* client, uint instanceId) {
    client->disconnect(this);
    if (client->bytesAvailable() > 0) emit q->receivedMessage(instanceId, client->readAll());
    client->deleteLater();
}
