#pragma once

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>

namespace QtAV {

// The player's presentation clock in seconds. It runs at real-time rate from
// the value it was last set to, stands still while paused, and is re-based by
// the player on every seek. Thread-safe.
class AVClock : public QObject {
    Q_OBJECT
  public:
    // The clock type is kept and reported; every type paces video on this
    // clock, and audio is written to keep up with it.
    enum ClockType { AudioClock = 0, ExternalClock = 1, VideoClock = 2 };
    Q_ENUM(ClockType)

    explicit AVClock(QObject* parent = nullptr);

    void setClockType(ClockType type);
    ClockType clockType() const;
    // Automatic choice of the clock type by the player; setClockType() turns it off.
    void setClockAuto(bool automatic);
    bool isClockAuto() const;

    // Current time in seconds.
    double value() const;
    // Sets the time (seconds); the clock keeps its running or paused state.
    void updateValue(double seconds);
    void pause(bool paused);
    bool isPaused() const;
    // Value 0, paused.
    void reset();

  private:
    mutable QMutex lock;
    ClockType type = AudioClock;  // guarded by lock
    bool automatic = true;        // guarded by lock
    bool paused = true;           // guarded by lock
    double base = 0;              // guarded by lock: value when `running` started
    QElapsedTimer running;        // guarded by lock
};

}  // namespace QtAV
