#include "OsalTaskExecutor.h"

#include "QtTaskExecutor.h"

OsalTaskExecutor::~OsalTaskExecutor() = default;

OsalTaskExecutor* getOsalTaskExecutor() { return QtTaskExecutor::instance(); }
