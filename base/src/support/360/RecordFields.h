#pragma once

// Field scanning of the "{...}" text records at the end of the last 512 bytes of a camera file
// (the attachment and the end tag). Indices are into that 512-byte block, which is
// NUL-terminated after its last byte.
struct RecordLimits {
    int searchFrom;  // the '{' is searched backwards from here
    int fieldEnd;    // a skipped field reaching past this index: too few fields
    int fieldStart;  // a number field starting at or past this index: too few fields
};

// The index after the last '{' at or before searchFrom; false when there is none.
bool findRecordStart(const char* block, const RecordLimits& limits, int* pos);
// Skips `count` digit fields ended by ',' or '}'. 0, -8 too few fields, -13 separator error.
int skipDigitFields(const char* block, const RecordLimits& limits, int count, int* pos);
// Reads `count` unsigned fields with parseIntAndAdvance. 0, -8, -13.
int readIntFields(char* block, const RecordLimits& limits, int count, int* values, int* pos);
