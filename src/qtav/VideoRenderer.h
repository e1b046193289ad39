#pragma once

#include <atomic>

#include "VideoFrame.h"

namespace QtAV {

// Receives the frames of a player. receive() is called on the player's video
// thread; implementations of receiveFrame() must be thread-safe towards the
// object's own thread. With the preferred format forced, the player converts
// every frame to that format (rows packed) on its video thread before receive().
class VideoRenderer {
  public:
    VideoRenderer();
    virtual ~VideoRenderer();
    VideoRenderer(const VideoRenderer&) = delete;
    VideoRenderer& operator=(const VideoRenderer&) = delete;

    // Hands the frame to receiveFrame() and returns its result.
    bool receive(const VideoFrame& frame);

    // Default Format_RGB32 (bytes B, G, R, A). Returns false for an invalid format.
    bool setPreferredPixelFormat(VideoFormat::PixelFormat format);
    VideoFormat::PixelFormat preferredPixelFormat() const;
    // Off by default: frames then arrive in the decoder's own format.
    void forcePreferredPixelFormat(bool force = true);
    bool isPreferredPixelFormatForced() const;

  protected:
    // Called by receive() on the player's video thread.
    virtual bool receiveFrame(const VideoFrame& frame) = 0;

  private:
    std::atomic<int> preferredFormat;
    std::atomic<bool> preferredForced;
};

}  // namespace QtAV
