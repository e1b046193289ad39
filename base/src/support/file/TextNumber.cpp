#include "TextNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

// from_chars takes no '+': step over one that a sign may be.
const char* afterPlus(const char* begin, const char* end) {
    return begin < end && *begin == '+' && end - begin > 1 && begin[1] != '-' ? begin + 1 : begin;
}

template <typename T>
const char* parseNumber(const char* begin, const char* end, T* value) {
    const std::from_chars_result r = std::from_chars(afterPlus(begin, end), end, *value);
    return r.ec == std::errc() ? r.ptr : nullptr;
}

}  // namespace

bool TextNumber::parseInt64(const char* begin, const char* end, long long* value) {
    long long v = 0;
    if (parseNumber(begin, end, &v) != end) return false;
    *value = v;
    return true;
}

bool TextNumber::parseFloat(const char* begin, const char* end, float* value) {
    double v = 0;
    if (parseNumber(begin, end, &v) != end || !(std::fabs(v) <= std::numeric_limits<float>::max()))
        return false;
    *value = static_cast<float>(v);
    return true;
}

size_t TextNumber::parseDoublePrefix(const char* text, double* value) {
    const char* start = text + std::strspn(text, " \t\n\v\f\r");
    double v = 0;
    const char* stop = parseNumber(start, start + std::strlen(start), &v);
    if (stop == nullptr) return 0;
    *value = v;
    return static_cast<size_t>(stop - text);
}
