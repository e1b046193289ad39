#pragma once

#include <vector>

// Small helpers the benchmarks share.
namespace BenchStats {

// The median of `values` (the upper one of an even count); 0 when there are none.
double median(std::vector<double> values);

// The integer in the environment variable `name`, or `fallback` when it is not set.
int envInt(const char* name, int fallback);

}  // namespace BenchStats
