#include "FuzzInputFile.h"

#include <cstdio>
#include <unistd.h>

std::string fuzzOutputPath(const char* slot)
{
    return "/tmp/rv-fuzz-" + std::to_string(getpid()) + "-" + slot;
}

std::string fuzzInputFile(const uint8_t* data, size_t size, const char* slot)
{
    const std::string path = fuzzOutputPath(slot);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
