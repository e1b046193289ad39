#include "AttitudeParser.h"

#include <cstring>
#include <memory>

#include "GyroParserV1.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "QuaternionsParserUqoEye.h"
#include "QuaternionsParserV1.h"
#include "ResultCode.h"
#include "RotationGeometry.h"
#include "TextNumber.h"
#include "UQOLensQParser.h"

namespace {

// The C locale's white space, whatever the process locale.
bool isBlank(char c) { return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr; }

// Streams the whitespace-separated tokens of a file to `take` until it returns false.
void forEachToken(OsalInputFile& file, const std::function<bool(const std::string&)>& take) {
    char chunk[65536];
    std::string token;
    unsigned long n;
    while ((n = file.read(chunk, sizeof(chunk))) != 0 && n != static_cast<unsigned long>(-1)) {
        for (unsigned long i = 0; i < n; ++i) {
            if (!isBlank(chunk[i])) {
                token += chunk[i];
                continue;
            }
            if (!token.empty() && !take(token)) return;
            token.clear();
        }
    }
    if (!token.empty()) take(token);
}

}  // namespace

AttitudeParser::~AttitudeParser() { samples.deleteAllObjsAndReset(); }

bool AttitudeParser::findAttitude(long ms, float q[4]) {
    if (samples.empty()) {
        q[0] = -100;
        return false;
    }
    if (ms <= samples.front()->time) {
        quaternionCopy(samples.front()->quaternion, q);
        return true;
    }
    if (ms >= samples.back()->time) {
        quaternionCopy(samples.back()->quaternion, q);
        return true;
    }
    size_t k = 1;
    while (samples[k]->time < ms) ++k;
    const AttParserData* a = samples[k - 1];
    const AttParserData* b = samples[k];
    const float t = static_cast<float>(ms - a->time) / static_cast<float>(b->time - a->time);
    quaternionSlerp(a->quaternion, b->quaternion, t, q);
    return true;
}

List<AttParserData*> AttitudeParser::getParsedData() { return samples; }

AttitudeParser* AttitudeParser::getQuaternionsParserV1() { return new QuaternionsParserV1(); }
AttitudeParser* AttitudeParser::getQuaternionsParserUqoEye() {
    return new QuaternionsParserUqoEye();
}
AttitudeParser* AttitudeParser::getGyroParserV1() { return new GyroParserV1(); }
AttitudeParser* AttitudeParser::getUQOLensQParser() { return new UQOLensQParser(); }

AttitudeParser* AttitudeParser::getParser(const char* path, int type) {
    const bool gyroOnly = type == 2;
    if (!gyroOnly && QuaternionsParserV1::canParse(path)) return new QuaternionsParserV1();
    if (!gyroOnly && QuaternionsParserUqoEye::canParse(path)) return new QuaternionsParserUqoEye();
    if (type != 1 && GyroParserV1::canParse(path)) return new GyroParserV1();
    return nullptr;
}

void AttitudeParser::addSample(long long time, const float q[4], const float* increment) {
    AttParserData* s = new AttParserData();
    s->time = time;
    quaternionCopy(q, s->quaternion);
    for (int i = 0; increment && i < 3; ++i) s->increment[i] = increment[i];
    samples.append(s);
}

int AttitudeParser::parseTextRecords(const char* path, int maxCount, size_t minFields,
                                     const char* tag, const RecordTaker& take) {
    samples.deleteAllObjsAndReset();
    if (path == nullptr) return ResultCode::kIoError;
    OsalInputFile file(path);
    if (file.open() != 0) return ResultCode::kIoError;
    forEachToken(file, [&](const std::string& token) {
        const std::vector<std::string> fields = strSplit(token, ",");
        if (fields.size() < minFields) {
            LogSystem::e(tag, "Parse failed, format not correct, line:%s", token.c_str());
            return false;
        }
        if (!take(fields)) {
            LogSystem::e(tag, "Parse failed, translate data error, line:%s", token.c_str());
            return false;
        }
        return maxCount < 1 || samples.size() < static_cast<size_t>(maxCount);
    });
    return 0;
}

std::vector<std::string> AttitudeParser::firstTextRecord(const char* path) {
    std::vector<std::string> fields;
    if (path == nullptr) return fields;
    OsalInputFile file(path);
    if (file.open() != 0) return fields;
    forEachToken(file, [&](const std::string& token) {
        fields = strSplit(token, ",");
        return false;
    });
    return fields;
}

bool AttitudeParser::takeTime(const std::string& text, long long* ms) {
    long long v;
    if (!TextNumber::parseInt64(text.data(), text.data() + text.size(), &v) || v > kMaxTimeMs ||
        v < -kMaxTimeMs)
        return false;
    *ms = v;
    return true;
}

bool AttitudeParser::takeFloat(const std::string& text, float* value) {
    return TextNumber::parseFloat(text.data(), text.data() + text.size(), value);
}

bool AttitudeParser::takeQuaternion(const std::vector<std::string>& fields, size_t first,
                                    float q[4]) {
    for (size_t i = 0; i < 4; ++i)
        if (!takeFloat(fields[first + i], &q[i])) return false;
    return true;
}

std::vector<std::string> strSplit(std::string text, std::string separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    size_t start = 0, found;
    while ((found = text.find(separator, start)) != std::string::npos) {
        pieces.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}
