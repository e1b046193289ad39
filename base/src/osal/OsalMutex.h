#pragma once

#include <memory>

// A non-recursive mutex. Satisfies BasicLockable, so std::lock_guard<OsalMutex> works.
// Locking it twice from one thread deadlocks.
class OsalMutex {
  public:
    OsalMutex();
    ~OsalMutex();
    OsalMutex(const OsalMutex&) = delete;
    OsalMutex& operator=(const OsalMutex&) = delete;

    void lock();
    void unlock();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
