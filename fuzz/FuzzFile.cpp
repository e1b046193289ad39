#include "FuzzFile.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>

namespace {

std::string scratchPath() {
    const char* dir = std::getenv("TMPDIR");
    std::string base = dir && *dir ? dir : "/tmp";
    return base + "/rv_fuzz_" + std::to_string(getpid()) + ".bin";
}

}  // namespace

std::string FuzzFile::write(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return std::string();
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    written = std::fclose(file) == 0 && written;
    return written ? path : std::string();
}
