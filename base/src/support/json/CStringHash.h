#pragma once

#include <cstddef>

// Hash of a NUL-terminated key: the sum of the signed values of its first characters, at
// most ten. Cheap, but keys that differ only after the tenth character, or by permuted
// characters, collide.
struct CStringHash {
    std::size_t operator()(const char* key) const;
};

// Key equality for CStringHash: strcmp equal.
struct CStringHashEqual {
    bool operator()(const char* a, const char* b) const;
};
