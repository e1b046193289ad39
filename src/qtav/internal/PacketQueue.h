#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "FFMpegHandles.h"

namespace QtAV {

// A bounded queue of packets between the demux thread and one decoding
// thread. Each packet carries the seek serial it was read under; a null
// packet marks the end of the stream. Thread-safe.
class PacketQueue {
  public:
    struct Item {
        ffh::PacketPtr packet;  // null: end of stream
        int serial = 0;
    };

    // Bounds: `maxPackets` packets and `maxBytes` bytes of payload.
    PacketQueue(size_t maxPackets, size_t maxBytes);

    // Blocks while full. Takes ownership. Drops the item and returns false
    // when aborted or when `serial` is older than the queue's serial.
    bool push(ffh::PacketPtr packet, int serial);
    // Waits up to `timeoutMs` for an item. False on time-out or abort.
    bool pop(Item* item, int timeoutMs);
    // Drops every queued item and accepts only items of `serial` or newer from now on.
    void flush(int serial);
    // Wakes and fails every waiting and later push and pop.
    void abort();

  private:
    bool full() const;

    std::mutex lock;
    std::condition_variable changed;
    // Guarded by lock.
    std::deque<Item> items;
    size_t bytes = 0;
    int minSerial = 0;
    bool aborted = false;
    const size_t maxPackets;
    const size_t maxBytes;
};

}  // namespace QtAV
