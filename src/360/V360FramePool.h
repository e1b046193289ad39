#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "BufferInfo.h"

// The frame buffers of one job, allocated once and reused, and the order they are encoded
// in: a buffer taken gets the next sequence; rendered buffers come back in any order and
// leave again strictly by sequence. Dispatch thread only.
class V360FramePool {
  public:
    // `count` buffers of `bytes` each; allocationFailed() tells whether one could not be
    // made (count() is then the number made before it).
    V360FramePool(int count, size_t bytes);
    ~V360FramePool();
    V360FramePool(const V360FramePool&) = delete;
    V360FramePool& operator=(const V360FramePool&) = delete;

    bool allocationFailed() const { return failed; }
    int count() const { return bufferCount; }
    bool hasFree() const { return !freeBuffers.empty(); }
    // No buffer is out (being rendered, waiting for its turn or being encoded).
    bool allFree() const;

    // A free buffer with the next sequence (null when none is free); owned by the pool.
    BufferInfo* take();
    // A rendered buffer, waiting for its turn.
    void rendered(BufferInfo* buffer);
    // The rendered buffer whose turn it is, or null; it stays out until giveBack.
    BufferInfo* nextInOrder();
    // A buffer back from its renderer or the encoder; false when it is still shared and no
    // memory could be had to replace it (it must not be written then).
    bool giveBack(BufferInfo* buffer);
    // Frees the memory of every buffer, wherever it is (at the job's end).
    void release();

  private:
    int bufferCount;
    bool failed = false;
    std::vector<BufferInfo*> all;
    std::deque<BufferInfo*> freeBuffers;
    std::deque<BufferInfo*> renderedBuffers;
    int nextSequence = 0;
    int nextToLeave = 0;
};
