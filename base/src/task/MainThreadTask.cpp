#include "MainThreadTask.h"

#include "OsalTaskExecutor.h"

MainThreadTask::~MainThreadTask() = default;

void MainThreadTask::queueToExecute() { getOsalTaskExecutor()->queueToExecuteInMainThread(this); }
