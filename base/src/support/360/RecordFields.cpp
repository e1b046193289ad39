#include "RecordFields.h"

#include <cctype>

#include "CameraTrailers.h"
#include "ResultCode.h"

bool findRecordStart(const char* block, const RecordLimits& limits, int* pos) {
    for (int i = limits.searchFrom; i >= 0; --i) {
        if (block[i] == '{') {
            *pos = i + 1;
            return true;
        }
    }
    return false;
}

int skipDigitFields(const char* block, const RecordLimits& limits, int count, int* pos) {
    for (int n = 0; n < count; ++n) {
        while (*pos <= limits.fieldEnd && std::isdigit(static_cast<unsigned char>(block[*pos])))
            ++*pos;
        if (*pos > limits.fieldEnd) return ResultCode::kTruncated;
        if (block[*pos] != ',' && block[*pos] != '}') return ResultCode::kBadSeparator;
        ++*pos;
    }
    return 0;
}

int readIntFields(char* block, const RecordLimits& limits, int count, int* values, int* pos) {
    for (int n = 0; n < count; ++n) {
        if (*pos >= limits.fieldStart) return ResultCode::kTruncated;
        char* next = nullptr;
        if (parseIntAndAdvance(block + *pos, &values[n], &next) != 0)
            return ResultCode::kBadSeparator;
        *pos = static_cast<int>(next - block);
    }
    return 0;
}
