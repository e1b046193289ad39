#pragma once

#include <vector>

#include <QElapsedTimer>
#include <QObject>

#include "GyroInfo.h"
#include "RavlixPlayer.h"
#include "VideoFrame.h"

// Records what a controller sends, connected the way the panels connect:
// by signature string, queued to this object's (the main) thread, where
// every slot and reader runs.
class SignalProbe : public QObject {
    Q_OBJECT

  public:
    enum Kind { VideoChanged, OpenFailed, FrameExtracted, FrameUpdated, Position, Gyro };

    struct Event {
        Kind kind;
        qint64 wallMs;         // when it reached the probe
        long value = 0;        // error, position in ms or record index
        double timestamp = 0;  // frame time stamp
        QtAV::VideoFrame frame;
        SharedGyroInfo info;
    };

    explicit SignalProbe(RavlixPlayer* player) {
        wall.start();
        const auto queued = Qt::QueuedConnection;
        connect(player, SIGNAL(sigVideoChanged()), this, SLOT(onVideoChanged()), queued);
        connect(player, SIGNAL(sigOpenFailed(int)), this, SLOT(onOpenFailed(int)), queued);
        connect(player, SIGNAL(sigFrameExtracted(QtAV::VideoFrame)), this,
                SLOT(onFrameExtracted(QtAV::VideoFrame)), queued);
        connect(player, SIGNAL(sigFrameUpdated(QtAV::VideoFrame)), this,
                SLOT(onFrameUpdated(QtAV::VideoFrame)), queued);
        connect(player, SIGNAL(sigCurrentPositionUpdated(long)), this, SLOT(onPosition(long)),
                queued);
        connect(player, SIGNAL(sigGyroInfoUpdated(int, SharedGyroInfo)), this,
                SLOT(onGyro(int, SharedGyroInfo)), queued);
    }

    std::vector<Event> events(Kind kind) const {
        std::vector<Event> found;
        for (const Event& e : kept) {
            if (e.kind == kind) found.push_back(e);
        }
        return found;
    }

    int count(Kind kind) const { return int(events(kind).size()); }

    // The values of one kind in arrival order.
    std::vector<long> values(Kind kind) const {
        std::vector<long> found;
        for (const Event& e : events(kind)) found.push_back(e.value);
        return found;
    }

    // Kinds in arrival order.
    std::vector<Kind> order() const {
        std::vector<Kind> kinds;
        for (const Event& e : kept) kinds.push_back(e.kind);
        return kinds;
    }

    // Every event after the `nth` (1-based) one of kind `marker`.
    std::vector<Event> eventsAfter(Kind marker, int nth) const {
        std::vector<Event> found;
        int seen = 0;
        for (const Event& e : kept) {
            if (seen >= nth) found.push_back(e);
            if (e.kind == marker) ++seen;
        }
        return found;
    }

    void clear() { kept.clear(); }

  private slots:
    void onVideoChanged() { add(VideoChanged); }
    void onOpenFailed(int error) { add(OpenFailed, error); }
    void onFrameExtracted(QtAV::VideoFrame frame) { add(FrameExtracted, 0, frame); }
    void onFrameUpdated(QtAV::VideoFrame frame) { add(FrameUpdated, 0, frame); }
    void onPosition(long ms) { add(Position, ms); }
    void onGyro(int index, SharedGyroInfo info) { add(Gyro, index, {}, info); }

  private:
    void add(Kind kind, long value = 0, const QtAV::VideoFrame& frame = {},
             SharedGyroInfo info = nullptr) {
        kept.push_back({kind, wall.elapsed(), value, frame.timestamp(), frame, info});
    }

    std::vector<Event> kept;
    QElapsedTimer wall;
};
