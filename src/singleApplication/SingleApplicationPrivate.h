#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "SingleApplication.h"

class QLocalServer;
class QLocalSocket;
class QSharedMemory;

// The guard's state: the shared block, the server of the primary, the client socket of a
// secondary, and the process-wide release on terminating signals.
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
    void startSecondary(int timeout);
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
    InstancesInfo* info();
    // Whether a primary answers on the server within `timeout` ms.
    bool primaryAnswers(int timeout);
    // Reads the handshake of `client`; its instance number and type, or false when invalid.
    bool readHandshake(QLocalSocket* client, quint32* instanceId, char* type);
    void removeFromSignalList();
};
