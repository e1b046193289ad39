#pragma once

#include <cstdint>
#include <vector>

// One character cell of a fly-in title: BGRA pixels (width x height, owned), its place in the
// frame and its flight angle in radians.
struct CharacterBuffer {
    std::vector<uint8_t> pixels;
    int x = 0, y = 0;
    int width = 0, height = 0;
    float angle = 0.0f;
};
