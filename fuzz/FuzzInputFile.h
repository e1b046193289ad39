#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The fuzz input as a file for readers that take a path: rewritten on each call, one per
// process and `slot`.
std::string fuzzInputFile(const uint8_t* data, size_t size, const char* slot = "in");
// A path for a reader's output, one per process and `slot`.
std::string fuzzOutputPath(const char* slot);
