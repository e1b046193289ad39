#include "CStringHash.h"

#include <cstring>

std::size_t CStringHash::operator()(const char* key) const {
    int sum = 0;
    for (int i = 0; i < 10 && key[i] != '\0'; ++i)
        sum += static_cast<signed char>(key[i]);
    return static_cast<std::size_t>(sum);
}

bool CStringHashEqual::operator()(const char* a, const char* b) const {
    return std::strcmp(a, b) == 0;
}
