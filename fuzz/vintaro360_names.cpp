// Text readers: camera file names, period strings and record numbers.
#include <string>

#include "CameraTrailers.h"
#include "Vintaro360Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    Vintaro360SrcMediaInfo info;
    getVintaro360SrcMediaInfo(text.c_str(), &info);
    long long a, b;
    int tz, value;
    double c, R[9];
    parseVintaro360PeriodString(text.c_str(), &a, &tz, &b, &c);
    parseRMFromVT360PeriodString(text.c_str(), R);
    char* next;
    parseIntAndAdvance(&text[0], &value, &next);
    return 0;
}
