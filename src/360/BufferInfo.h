#pragma once

// One frame buffer of the dispatch thread's pool: width x height x 4 bytes (owned by the
// pool) and the frame's place in output order.
struct BufferInfo {
    unsigned char* data = nullptr;
    int sequence = 0;
};
