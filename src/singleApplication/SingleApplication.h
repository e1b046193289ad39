#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFlags>

class SingleApplicationPrivate;

// An application object that knows whether it is the first (primary) instance of its
// identity. The primary listens on a local server that later instances can announce
// themselves and send messages to; a shared 8-byte block tells them whether one runs.
class SingleApplication : public QApplication {
    Q_OBJECT

  public:
    enum Mode {
        PerUser = 1,
        NotifyPrimary = 4,
        IgnoreVersion = 8,
        IgnoreFilePath = 16,
    };
    Q_DECLARE_FLAGS(Modes, Mode)

    // Decides primary or secondary at once; a process that may not run exits with code 0.
    SingleApplication(int& argc, char** argv, bool allowSecondary, QFlags<Mode> mode, int timeout);
    ~SingleApplication() override;

    bool isPrimary();
    bool isSecondary();
    quint32 instanceId();
    // Secondary only: sends `message` to the primary and returns once every byte is out;
    // false in the primary, when the primary cannot be reached, or when it takes no byte for
    // `timeout` ms. The primary may receive it in several receivedMessage() pieces.
    bool sendMessage(QByteArray message, int timeout);

  signals:
    void instanceStarted();
    void receivedMessage(uint instanceId, QByteArray message);

  private:
    friend class SingleApplicationPrivate;
    SingleApplicationPrivate* d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SingleApplication::Modes)
