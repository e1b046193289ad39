#include "CStringHash.h"

#include <cstdint>
#include <cstring>

std::size_t CStringHash::operator()(const char* key) const {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char* p = key; *p != '\0'; ++p) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 1099511628211ULL;
    }
    return static_cast<std::size_t>(hash);
}

bool CStringHashEqual::operator()(const char* a, const char* b) const {
    return std::strcmp(a, b) == 0;
}
