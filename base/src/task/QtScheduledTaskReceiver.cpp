#include "QtScheduledTaskReceiver.h"

#include "ScheduledTask.h"

QtScheduledTaskReceiver::QtScheduledTaskReceiver(ScheduledTask* task) : task(task) {}

QtScheduledTaskReceiver::~QtScheduledTaskReceiver() { task->deref(); }

void QtScheduledTaskReceiver::timeout() {
    task->run();
    deleteLater();
}
