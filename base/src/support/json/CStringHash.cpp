#include "CStringHash.h"

std::uint32_t CStringHash::operator()(std::string_view key) const {
    std::uint32_t hash = 2166136261u;
    for (char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    // FNV leaves the low bits, which pick the slot, weakly mixed.
    hash ^= hash >> 16;
    hash *= 0x85ebca6bu;
    return hash ^ (hash >> 13);
}
