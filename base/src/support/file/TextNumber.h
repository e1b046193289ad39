#pragma once

#include <cstddef>

// Decimal numbers in file texts, read the same under every process locale: an optional sign,
// digits and, for the floating forms, a '.' fraction and an exponent. No blanks, no hex, no
// digit grouping.
class TextNumber {
  public:
    // The whole of [begin, end) as one number; false (value unchanged) when anything else is in
    // it or the number does not fit the type.
    static bool parseInt64(const char* begin, const char* end, long long* value);
    // Read as a double and narrowed: false when it is not finite or beyond the float range.
    static bool parseFloat(const char* begin, const char* end, float* value);
    // The number at the start of the NUL-terminated `text` after blanks (as strtod reads it in
    // the C locale): the characters taken, 0 when there is none or it does not fit a double.
    static size_t parseDoublePrefix(const char* text, double* value);
};
