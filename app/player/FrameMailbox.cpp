#include "FrameMailbox.h"

void FrameMailbox::put(const QtAV::VideoFrame& frame, const std::function<void()>& wake) {
    std::lock_guard<std::mutex> locked(lock);
    if (closed) return;
    latest = frame;
    if (full) {
        ++droppedCount;
        return;
    }
    full = true;
    wake();
}

QtAV::VideoFrame FrameMailbox::take() {
    QtAV::VideoFrame frame;
    std::lock_guard<std::mutex> locked(lock);
    std::swap(frame, latest);
    full = false;
    return frame;
}

void FrameMailbox::close() {
    QtAV::VideoFrame released;
    std::lock_guard<std::mutex> locked(lock);
    closed = true;
    full = false;
    std::swap(released, latest);
}

std::uint64_t FrameMailbox::dropped() const {
    std::lock_guard<std::mutex> locked(lock);
    return droppedCount;
}
