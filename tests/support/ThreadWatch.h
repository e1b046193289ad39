#pragma once

#include <QStringList>

// Follows the threads of the program's own classes (QThread subclasses outside Qt itself: Qt's
// pool and HTTP threads live on by design) that start while the watch exists: which have not
// finished yet, and whether the finished ones have left the process. It holds Qt's signal-spy
// hooks, which have one user at a time: one watch at a time, and no other user meanwhile.
class ThreadWatch {
  public:
    ThreadWatch();
    ~ThreadWatch();

    // Class names of the threads that started and whose run() has not returned yet.
    QStringList running() const;

    // Waits up to `ms` until every thread that finished has left the process too; true when
    // none is left. Qt's threads are detached: the system thread ends a moment after its
    // QThread has finished and its wait() has returned.
    bool waitUntilGone(int ms) const;
};
