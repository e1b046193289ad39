#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One scratch file per process that a target fills with the fuzzer's bytes.
class FuzzFile {
  public:
    // The scratch path, rewritten with `data`; empty when it cannot be written.
    static std::string write(const uint8_t* data, size_t size);
};
