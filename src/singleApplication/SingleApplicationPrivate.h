#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include "SingleApplication.h"

class QLocalServer;
class QLocalSocket;
class QSharedMemory;

// The guard's state: the shared block, the server of the primary, the client socket of a
// secondary, and the process-wide release on terminating signals. Main thread only, but for
// the signal handler's list of live instances.
class SingleApplicationPrivate : public QObject {
    Q_OBJECT

  public:
    // The block as all instances see it.
    struct InstancesInfo {
        quint8 primary;
        quint8 reserved[3];
        quint32 secondary;
    };

    SingleApplicationPrivate(SingleApplication* q, SingleApplication::Modes mode);
    // Releases: closes the socket, gives up the server and the primary flag, detaches.
    ~SingleApplicationPrivate() override;

    // The block and server name: a digest of the application's identity.
    QString genBlockServerName(int timeout);
    // Runs the construction's decision; false when this process may not run.
    bool start(bool allowSecondary, int timeout);
    void startPrimary(bool reset);
    // Connects and sends the handshake of `type` once; true when connected and the
    // handshake is out.
    bool connectToPrimary(int timeout, char type);
    // Writes `message` to the connected primary until every byte is out; false when the
    // connection fails or takes no byte for `timeout` ms.
    bool writeMessage(const QByteArray& message, int timeout);
    // The handshake a connecting instance sends.
    QByteArray handshake(char type) const;
    // The checksum text: the digits of the 16-bit CRC of `bytes` in base 256.
    static QByteArray checksumText(const QByteArray& bytes);
    void installSignalHandlers();

    QSharedMemory* memory = nullptr;
    SingleApplication* q;
    QLocalSocket* socket = nullptr;
    QLocalServer* server = nullptr;
    quint32 instanceNumber = 0;
    QString blockServerName;
    SingleApplication::Modes options;

  public slots:
    void slotConnectionEstablished();
    void slotDataAvailable(QLocalSocket* socket, uint instanceId);
    void slotClientConnectionClosed(QLocalSocket* socket, uint instanceId);

  private:
    // What a launch turned out to be.
    enum class Role { Primary, Secondary, Refused };
    enum class Handshake { Incomplete, Invalid, Complete };

    InstancesInfo* info();
    // The decision of start(), taken while no other launch of the same name decides.
    Role decideRole(bool allowSecondary, int timeout);
    // Whether a primary answers on the server within `timeout` ms.
    bool primaryAnswers(int timeout);
    // Gives up the server and the primary flag and detaches, while no launch decides.
    void release();
    // Reads what `client` sent so far; accepts or drops it once its handshake is decided.
    void readHandshake(QLocalSocket* client);
    // Checks the handshake at the start of `bytes`; when complete, its type, sender and
    // length in bytes.
    Handshake parseHandshake(const QByteArray& bytes, char* type, quint32* instanceId,
                             int* length) const;
    void acceptConnection(QLocalSocket* client, char type, quint32 instanceId,
                          const QByteArray& message);
    void dropConnection(QLocalSocket* client);
    void removeFromSignalList();

    // Connections whose handshake has not arrived whole yet, with the bytes so far.
    QHash<QLocalSocket*, QByteArray> pendingHandshakes;
};
