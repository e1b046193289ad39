#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AttParserData.h"
#include "List.h"

// Reads time-stamped camera attitudes from a file into one list of samples in time order and
// looks up the attitude at any millisecond. A parse first deletes the previous samples; parse
// errors end the parse and keep the samples read so far. Not thread-safe.
//
// Result codes of parse: 0 read (possibly no samples), -7 trailer absent, -8 block outside the
// file, -10 not parseable, -12 / -30 cannot open, -13 malformed trailer field.
class AttitudeParser {
  public:
    virtual ~AttitudeParser();
    virtual bool canParseFile(const char* path) = 0;
    // maxCount below 1 means all samples.
    virtual int parse(const char* path, int maxCount) = 0;
    // No samples: q[0] = -100 and false. Before the first / after the last sample: that sample;
    // between two samples: their slerp.
    virtual bool findAttitude(long ms, float q[4]);
    // A copy of the sample list; the samples stay owned by the parser.
    virtual List<AttParserData*> getParsedData();

    // New parsers, deleted by the caller.
    static AttitudeParser* getQuaternionsParserV1();
    static AttitudeParser* getQuaternionsParserUqoEye();
    static AttitudeParser* getGyroParserV1();
    static AttitudeParser* getUQOLensQParser();
    // A new parser that accepts the file, or null: type 2 the gyro parser; type 1 the quaternion
    // parsers; any other type the quaternion parsers, then the gyro parser.
    static AttitudeParser* getParser(const char* path, int type);

    // Sample times in ms lie within +-kMaxTimeMs (2^62 - 1).
    static constexpr long long kMaxTimeMs = (1LL << 62) - 1;

  protected:
    using RecordTaker = std::function<bool(const std::vector<std::string>& fields)>;

    // Appends a sample (time in ms, quaternion, optional increments).
    void addSample(long long time, const float q[4], const float* increment = nullptr);
    // Comma-separated records, one per whitespace-separated token: each record of at least
    // minFields fields goes to `take`, which returns false when a field cannot be taken.
    // Errors are logged with `tag`. -12 when the file cannot be opened, else 0.
    int parseTextRecords(const char* path, int maxCount, size_t minFields, const char* tag,
                         const RecordTaker& take);
    // The fields of the first token of a text file (empty when unreadable).
    static std::vector<std::string> firstTextRecord(const char* path);
    // Whole-field numbers in any process locale; false when the text is not entirely a finite
    // number. A time must lie within +-kMaxTimeMs, so that any two can be subtracted.
    static bool takeTime(const std::string& text, long long* ms);
    static bool takeFloat(const std::string& text, float* value);
    // Four floats from fields first..first+3 (the caller checked the count).
    static bool takeQuaternion(const std::vector<std::string>& fields, size_t first, float q[4]);

    List<AttParserData*> samples;  // owned, in time order
};

// The pieces between every occurrence of `separator`, the remainder after the last one always
// appended (a text ending with the separator gives an empty last piece).
std::vector<std::string> strSplit(std::string text, std::string separator);
