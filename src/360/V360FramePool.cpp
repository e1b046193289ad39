#include "V360FramePool.h"

#include <algorithm>
#include <new>

extern "C" {
#include <libavutil/buffer.h>
}

V360FramePool::V360FramePool(int count, size_t bytes) : bufferCount(count) {
    for (int i = 0; i < count; ++i) {
        auto* buffer = new (std::nothrow) BufferInfo;
        if (buffer) buffer->ref = av_buffer_alloc(bytes);
        if (buffer && buffer->ref) buffer->data = buffer->ref->data;
        if (!buffer || !buffer->ref) {
            // Only the buffers made count: with them all free the job is idle and can end.
            delete buffer;
            failed = true;
            bufferCount = i;
            return;
        }
        freeBuffers.push_back(buffer);
        all.push_back(buffer);
    }
}

V360FramePool::~V360FramePool() { release(); }

bool V360FramePool::allFree() const { return bufferCount == static_cast<int>(freeBuffers.size()); }

BufferInfo* V360FramePool::take() {
    if (freeBuffers.empty()) return nullptr;
    BufferInfo* buffer = freeBuffers.front();
    freeBuffers.pop_front();
    buffer->sequence = nextSequence++;
    return buffer;
}

void V360FramePool::rendered(BufferInfo* buffer) { renderedBuffers.push_back(buffer); }

BufferInfo* V360FramePool::nextInOrder() {
    auto it = std::find_if(renderedBuffers.begin(), renderedBuffers.end(),
                           [this](BufferInfo* b) { return b->sequence == nextToLeave; });
    if (it == renderedBuffers.end()) return nullptr;
    BufferInfo* buffer = *it;
    renderedBuffers.erase(it);
    nextToLeave += 1;
    return buffer;
}

bool V360FramePool::giveBack(BufferInfo* buffer) {
    freeBuffers.push_back(buffer);
    if (av_buffer_is_writable(buffer->ref)) return true;
    // Still read by someone else: the pool takes a new buffer of its own (the next picture
    // overwrites every byte, so nothing is copied).
    AVBufferRef* fresh = av_buffer_alloc(buffer->ref->size);
    if (!fresh) return false;
    av_buffer_unref(&buffer->ref);
    buffer->ref = fresh;
    buffer->data = fresh->data;
    return true;
}

void V360FramePool::release() {
    for (BufferInfo* buffer : all) {
        av_buffer_unref(&buffer->ref);
        delete buffer;
    }
    all.clear();
    freeBuffers.clear();
    renderedBuffers.clear();
}
