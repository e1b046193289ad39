#include "PacketQueue.h"

#include <chrono>

namespace QtAV {

PacketQueue::PacketQueue(size_t maxPackets, size_t maxBytes)
    : maxPackets(maxPackets), maxBytes(maxBytes) {}

bool PacketQueue::full() const { return items.size() >= maxPackets || bytes >= maxBytes; }

bool PacketQueue::push(ffh::PacketPtr packet, int serial) {
    std::unique_lock<std::mutex> locker(lock);
    changed.wait(locker, [&] { return aborted || serial < minSerial || !full(); });
    if (aborted || serial < minSerial) return false;
    bytes += packet ? packet->size : 0;
    items.push_back(Item{std::move(packet), serial});
    changed.notify_all();
    return true;
}

bool PacketQueue::pop(Item* item, int timeoutMs) {
    std::unique_lock<std::mutex> locker(lock);
    if (!changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                          [&] { return aborted || !items.empty(); }) ||
        aborted)
        return false;
    *item = std::move(items.front());
    items.pop_front();
    bytes -= item->packet ? item->packet->size : 0;
    changed.notify_all();
    return true;
}

void PacketQueue::flush(int serial) {
    std::lock_guard<std::mutex> locker(lock);
    items.clear();
    bytes = 0;
    minSerial = serial;
    changed.notify_all();
}

void PacketQueue::abort() {
    std::lock_guard<std::mutex> locker(lock);
    aborted = true;
    changed.notify_all();
}

}  // namespace QtAV
