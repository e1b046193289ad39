#pragma once

struct AVBufferRef;

// One frame buffer of the dispatch thread's pool: width x height x 4 bytes in a
// reference-counted buffer (the pool's reference; the encoder may take its own while it
// reads the picture) and the frame's place in output order. The picture in it is packed
// BGRA, or packed YUV 4:2:0 (planes Y, U, V) when `planar` is set.
struct BufferInfo {
    AVBufferRef* ref = nullptr;
    unsigned char* data = nullptr;  // ref's bytes
    int sequence = 0;
    bool planar = false;
};
