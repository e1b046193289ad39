#pragma once

// One frame buffer of the dispatch thread's pool: width x height x 4 bytes (owned by the
// pool) and the frame's place in output order. The picture in it is packed BGRA, or packed
// YUV 4:2:0 (planes Y, U, V) when `planar` is set.
struct BufferInfo {
    unsigned char* data = nullptr;
    int sequence = 0;
    bool planar = false;
};
