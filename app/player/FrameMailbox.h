#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "VideoFrame.h"

// Hands the latest video frame from the player's video thread to the main thread without a
// backlog: it holds at most one frame, and a frame put before the previous one was taken
// replaces it (counted as dropped). Only the put that finds the box empty asks for a hand-over,
// so at most one wake-up is ever pending. Any thread.
class FrameMailbox {
  public:
    // Keeps `frame` (reference counted, no copy) as the latest. When the box was empty, calls
    // `wake` under the box's lock, so that close() waits for a wake-up in progress. Nothing
    // after close().
    void put(const QtAV::VideoFrame& frame, const std::function<void()>& wake);
    // The latest frame, leaving the box empty; invalid when it is empty.
    QtAV::VideoFrame take();
    // Empties the box for good: later puts keep nothing and wake nobody.
    void close();
    // Frames replaced before they were taken.
    std::uint64_t dropped() const;

  private:
    mutable std::mutex lock;
    // Guarded by lock.
    QtAV::VideoFrame latest;
    bool full = false;
    bool closed = false;
    std::uint64_t droppedCount = 0;
};
