#pragma once

#include <QObject>
#include <QTimer>

class THDWatchDogThread;

// Ends the process when the thread that owns the detector stops running its event loop for
// `timeoutSeconds` seconds (at least 2; within about a second after that). Create and destroy
// it on the watched thread; destruction stops the watchdog and waits for it.
class ThreadHangDetector : public QObject {
    Q_OBJECT

  public:
    explicit ThreadHangDetector(int timeoutSeconds);
    ~ThreadHangDetector() override;

  private slots:
    void onTimeout();

  private:
    // Owned; lives from construction until the destructor has joined it.
    THDWatchDogThread* watchdog;
    // Fires every 1000 ms on the owning thread while its event loop runs.
    QTimer timer;
};
