#include "AsyncTask.h"

#include "OsalTaskExecutor.h"

AsyncTask::~AsyncTask() = default;

void AsyncTask::onCompleteInMainThread() {}

void AsyncTask::queueToExecute() { getOsalTaskExecutor()->queueToExecute(this); }
