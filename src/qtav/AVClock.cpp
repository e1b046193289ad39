#include "AVClock.h"

#include <QMutexLocker>

namespace QtAV {

AVClock::AVClock(QObject* parent) : QObject(parent) {}

void AVClock::setClockType(ClockType clockType) {
    QMutexLocker locker(&lock);
    type = clockType;
    automatic = false;
}

AVClock::ClockType AVClock::clockType() const {
    QMutexLocker locker(&lock);
    return type;
}

void AVClock::setClockAuto(bool on) {
    QMutexLocker locker(&lock);
    automatic = on;
}

bool AVClock::isClockAuto() const {
    QMutexLocker locker(&lock);
    return automatic;
}

double AVClock::value() const {
    QMutexLocker locker(&lock);
    return paused ? base : base + running.nsecsElapsed() / 1e9;
}

void AVClock::updateValue(double seconds) {
    QMutexLocker locker(&lock);
    base = seconds;
    running.start();
}

void AVClock::pause(bool p) {
    QMutexLocker locker(&lock);
    if (p == paused) return;
    if (p)
        base += running.nsecsElapsed() / 1e9;
    else
        running.start();
    paused = p;
}

bool AVClock::isPaused() const {
    QMutexLocker locker(&lock);
    return paused;
}

void AVClock::reset() {
    QMutexLocker locker(&lock);
    base = 0;
    paused = true;
}

}  // namespace QtAV
