#pragma once

#include <QObject>
#include <QTimer>

class PeriodicTask;

// The timer of one started periodic task; lives in the thread that started the task. Made
// and released by the executor; the task is borrowed.
class QtPeriodicTaskContext : public QObject {
    Q_OBJECT

  public:
    explicit QtPeriodicTaskContext(PeriodicTask* task);

    void start(int intervalMs);
    // Stops the timer and forgets the task, then deletes the context: at once, or once the
    // task's run() has returned when called from inside it.
    void stopAndRelease();

  private slots:
    void run();

  private:
    QTimer timer;
    PeriodicTask* task;
    // True while the task's run() is on the stack.
    bool running = false;
};
