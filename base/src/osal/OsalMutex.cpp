#include "OsalMutex.h"

#include <QMutex>

struct OsalMutex::Impl {
    QMutex mutex;
};

OsalMutex::OsalMutex() : impl(new Impl) {}

OsalMutex::~OsalMutex() = default;

void OsalMutex::lock() { impl->mutex.lock(); }

void OsalMutex::unlock() { impl->mutex.unlock(); }
