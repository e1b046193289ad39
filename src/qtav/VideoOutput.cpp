#include "VideoOutput.h"

#include <QMutexLocker>

namespace QtAV {

VideoOutput::VideoOutput(QObject* parent) : QObject(parent) {}

VideoOutput::~VideoOutput() = default;

VideoFrame VideoOutput::currentFrame() const {
    QMutexLocker locker(&frameLock);
    return current;
}

void VideoOutput::clearCurrentFrame() {
    QMutexLocker locker(&frameLock);
    current = VideoFrame();
}

bool VideoOutput::receiveFrame(const VideoFrame& frame) {
    QMutexLocker locker(&frameLock);
    current = frame;
    return true;
}

}  // namespace QtAV
