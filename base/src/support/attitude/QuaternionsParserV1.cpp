#include "QuaternionsParserV1.h"

#include "RotationGeometry.h"

namespace {

const char* const kTag = "QuaternionsParserV1";

float squaredLength(const float q[4]) {
    return q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
}

}  // namespace

bool QuaternionsParserV1::canParse(const char* path) {
    const std::vector<std::string> fields = firstTextRecord(path);
    float q[4];
    if (fields.size() < 5 || !takeQuaternion(fields, 1, q)) return false;
    const float s = squaredLength(q);
    return s > 0.9f && s < 1.1f;
}

bool QuaternionsParserV1::canParseFile(const char* path) { return canParse(path); }

int QuaternionsParserV1::parse(const char* path, int maxCount) {
    float reference[4] = {1, 0, 0, 0};
    bool first = true;
    return parseTextRecords(path, maxCount, 5, kTag, [&](const std::vector<std::string>& f) {
        long long time;
        float q[4], inverse[4], relative[4];
        // A zero quaternion has no inverse: not a value that can be taken.
        if (!takeTime(f[0], &time) || !takeQuaternion(f, 1, q) || squaredLength(q) == 0)
            return false;
        if (first) quaternionCopy(q, reference);
        quaternionInverse(q, inverse);
        quaternionMutiply(inverse, reference, relative);
        refineQuaternion(relative);
        addSample(time, relative);
        first = false;
        return true;
    });
}
