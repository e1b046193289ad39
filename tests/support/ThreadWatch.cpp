#include "ThreadWatch.h"

#include <map>
#include <mutex>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaMethod>
#include <QThread>

#include "SignalSpyHooks.h"

namespace {

struct Watched {
    QString className;
    long tid;
};

std::mutex lock;
std::map<QThread*, Watched> live;  // started, not finished
std::vector<long> finishedTids;

// The index of a QThread signal among all signals of its class, as the hooks report it.
int signalIndex(const char* signature) {
    const QMetaObject& meta = QThread::staticMetaObject;
    const int method = meta.indexOfSignal(signature);
    int index = 0;
    for (int i = 0; i < method; ++i) index += meta.method(i).methodType() == QMetaMethod::Signal;
    return index;
}

int startedIndex = -1;
int finishedIndex = -1;

// Qt's own classes: "Q" and a capital (the playback layer's "QtAV::" classes are the program's).
bool ofQt(const char* className) {
    return className[0] == 'Q' && className[1] >= 'A' && className[1] <= 'Z';
}

void onSignal(QObject* caller, int index, void**) {
    if (index != startedIndex && index != finishedIndex) return;
    auto* thread = qobject_cast<QThread*>(caller);
    if (!thread || ofQt(thread->metaObject()->className())) return;
    std::lock_guard<std::mutex> hold(lock);
    if (index == startedIndex) {
        live[thread] = {thread->metaObject()->className(), long(syscall(SYS_gettid))};
        return;
    }
    const auto found = live.find(thread);
    if (found == live.end()) return;
    finishedTids.push_back(found->second.tid);
    live.erase(found);
}

QSignalSpyCallbackSet callbacks = {onSignal, nullptr, nullptr, nullptr};

}  // namespace

ThreadWatch::ThreadWatch() {
    startedIndex = signalIndex("started()");
    finishedIndex = signalIndex("finished()");
    std::lock_guard<std::mutex> hold(lock);
    live.clear();
    finishedTids.clear();
    qt_register_signal_spy_callbacks(&callbacks);
}

ThreadWatch::~ThreadWatch() { qt_register_signal_spy_callbacks(nullptr); }

QStringList ThreadWatch::running() const {
    std::lock_guard<std::mutex> hold(lock);
    QStringList names;
    for (const auto& [thread, watched] : live) names << watched.className;
    names.sort();
    return names;
}

bool ThreadWatch::waitUntilGone(int ms) const {
    std::vector<long> tids;
    {
        std::lock_guard<std::mutex> hold(lock);
        tids = finishedTids;
    }
    auto left = [&] {
        for (long tid : tids)
            if (QFileInfo::exists(QString("/proc/self/task/%1").arg(tid))) return true;
        return false;
    };
    QElapsedTimer clock;
    clock.start();
    while (left() && clock.elapsed() < ms) QThread::msleep(5);
    return !left();
}
