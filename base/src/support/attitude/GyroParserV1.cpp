#include "GyroParserV1.h"

#include "RotationGeometry.h"

namespace {

const char* const kTag = "GyroParserV1";
constexpr long long kFirstStepMs = 5;

}  // namespace

bool GyroParserV1::canParse(const char* path) {
    const std::vector<std::string> fields = firstTextRecord(path);
    if (fields.size() < 4) return false;
    for (int i = 1; i < 4; ++i) {
        float rate;
        if (!takeFloat(fields[i], &rate) || !(rate < 1)) return false;
    }
    return true;
}

bool GyroParserV1::canParseFile(const char* path) { return canParse(path); }

int GyroParserV1::parse(const char* path, int maxCount) {
    float attitude[4] = {1, 0, 0, 0};
    long long previous = 0;
    bool first = true;
    return parseTextRecords(path, maxCount, 4, kTag, [&](const std::vector<std::string>& f) {
        long long time;
        float rate[3];
        if (!takeTime(f[0], &time) || !takeFloat(f[1], &rate[0]) || !takeFloat(f[2], &rate[1]) ||
            !takeFloat(f[3], &rate[2]))
            return false;
        const long long dt = first ? kFirstStepMs : time - previous;
        float increment[3], step[4];
        for (int i = 0; i < 3; ++i) increment[i] = rate[i] * static_cast<float>(dt) / 1000;
        eulerAngle2Quaternion(increment, step);
        quaternionMutiply(step, attitude, attitude);
        refineQuaternion(attitude);
        addSample(time, attitude, increment);
        previous = time;
        first = false;
        return true;
    });
}
