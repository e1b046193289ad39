#pragma once

#include <cstddef>

// Hash of a NUL-terminated key: FNV-1a over every character, so keys that share a prefix or
// a character sum still spread over the buckets.
struct CStringHash {
    std::size_t operator()(const char* key) const;
};

// Key equality for CStringHash: strcmp equal.
struct CStringHashEqual {
    bool operator()(const char* a, const char* b) const;
};
