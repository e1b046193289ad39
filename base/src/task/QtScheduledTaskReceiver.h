#pragma once

#include <QObject>

class ScheduledTask;

// Receives the single-shot timeout of one scheduled task, runs it and deletes itself; it holds
// the executor's reference to the task and releases it when destroyed.
class QtScheduledTaskReceiver : public QObject {
    Q_OBJECT

  public:
    explicit QtScheduledTaskReceiver(ScheduledTask* task);
    ~QtScheduledTaskReceiver() override;

  private slots:
    void timeout();

  private:
    ScheduledTask* task;
};
