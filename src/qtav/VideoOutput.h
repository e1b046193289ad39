#pragma once

#include <QMutex>
#include <QObject>

#include "VideoRenderer.h"

namespace QtAV {

// A renderer that is also a QObject. Its receiveFrame() keeps the latest
// frame as the current one; subclasses override it and hand on to it.
class VideoOutput : public QObject, public VideoRenderer {
    Q_OBJECT
  public:
    explicit VideoOutput(QObject* parent = nullptr);
    ~VideoOutput() override;

    // The last frame received, invalid before the first one. Any thread.
    VideoFrame currentFrame() const;
    // Forgets the current frame. Any thread.
    void clearCurrentFrame();

  protected:
    bool receiveFrame(const VideoFrame& frame) override;

  private:
    mutable QMutex frameLock;
    VideoFrame current;  // guarded by frameLock
};

}  // namespace QtAV
