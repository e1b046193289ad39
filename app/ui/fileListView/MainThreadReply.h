#pragma once

#include <utility>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

// The way back of a pool task's result: `deliver(receiver)` runs on the main thread, from its
// event loop, and only while `receiver` still exists. Called on any thread; the guard is read
// on the main thread only, so a receiver deleted meanwhile never sees the result.
template <typename Receiver, typename Deliver>
void replyOnMainThread(const QPointer<Receiver>& receiver, Deliver deliver) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver, deliver = std::move(deliver)] {
            if (receiver) deliver(receiver.data());
        },
        Qt::QueuedConnection);
}
