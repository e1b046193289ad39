#include "BenchStats.h"

#include <algorithm>
#include <cstdlib>

namespace BenchStats {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int envInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

}  // namespace BenchStats
