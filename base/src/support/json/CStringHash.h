#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Hash of an object key: FNV-1a over every byte, so keys that share a prefix or a character
// sum still spread over the buckets.
struct CStringHash {
    std::uint32_t operator()(std::string_view key) const;
};

// Key equality for CStringHash: the same bytes.
struct CStringHashEqual {
    bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};
