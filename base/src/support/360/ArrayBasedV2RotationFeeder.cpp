#include "ArrayBasedV2RotationFeeder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ByteUtil.h"
#include "CameraFront.h"
#include "EyeRecord.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "OsalPartialInputFile.h"
#include "ResultCode.h"
#include "RotationGeometry.h"
#include "UQOPostAttachment.h"
#include "Vintaro360Camera.h"

// Parse: 1. header and start shift, 2. first pass over the pieces (samples, piece timing from
// the first half second), 3. piece times with the running correction, 4. rebase on the first
// piece, 5. end time, 6. V1 fallback without timing, 7. moving average and front smoothing.
namespace {

const char* const kTag = "ABV2RF";
constexpr double kTick = 0.02;                 // s per eye tick
constexpr double kDefaultOffset = 0.25333333;  // s
constexpr double kWindow = 15;                 // s each side of the asked time
constexpr double kPi = 3.141592653589793;

bool endsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

double wrap(double a) {
    if (a > kPi) return a - 2 * kPi;
    if (a < -kPi) return a + 2 * kPi;
    return a;
}

}  // namespace

ArrayBasedV2RotationFeeder::ArrayBasedV2RotationFeeder(const char* path, bool logErrors)
    : path(path ? path : ""), logErrors(logErrors), alpha(calculateLowPassAlpha(1, 1.0 / 30)) {
    parsingResult = parseFile(true);
}

std::unique_ptr<OsalInputFile> ArrayBasedV2RotationFeeder::openEyeData(bool log, int* result) {
    std::unique_ptr<OsalInputFile> file;
    if (endsWith(path, ".eye")) {
        file.reset(new OsalInputFile(path.c_str()));
    } else {
        UQOPostAttachment at;
        const int found = getUQOPostAttachment(path.c_str(), &at);
        if (found != 0) {
            if (log && logErrors)
                LogSystem::w(kTag, "Cannot get post attachment for eye data, %s!", path.c_str());
            *result =
                found == ResultCode::kCannotOpen ? ResultCode::kCannotOpen : ResultCode::kAbsent;
            return nullptr;
        }
        std::free(at.tag);
        file.reset(new OsalPartialInputFile(path.c_str(), 2, at.eyeOffset, at.eyeSize));
    }
    if (file->open() != 0) {
        *result = ResultCode::kCannotOpen;
        return nullptr;
    }
    return file;
}

int ArrayBasedV2RotationFeeder::parseFile(bool log) {
    freeRawData();
    v1.reset();
    int result = 0;
    std::unique_ptr<OsalInputFile> file = openEyeData(log, &result);
    if (!file) return result;
    unsigned int version, flags, numerator, denominator, extra;
    int startTick, offset = 0;
    bool ok =
        ByteUtil::readUInt16(file, &version) == 0 && ByteUtil::readUInt16(file, &flags) == 0 &&
        ByteUtil::readUInt16(file, &numerator) == 0 &&
        ByteUtil::readUInt16(file, &denominator) == 0 && ByteUtil::readInt32(file, &startTick) == 0;
    int size = 12;
    if (ok && (flags & 1)) ok = ByteUtil::readUInt16(file, &extra) == 0, size += 2;
    if (ok && (flags & 2)) ok = ByteUtil::readInt16(file, &offset) == 0, size += 2;
    char padding[4];
    const unsigned long pad = (4 - size % 4) % 4;
    if (ok && pad > 0) ok = file->read(padding, pad) == pad;
    // A zero rate has no sample spacing: unreadable.
    if (!ok || numerator == 0 || denominator == 0) {
        if (log && logErrors)
            LogSystem::e(kTag, "Cannot read required data from eye file %s!", path.c_str());
        return -1;
    }
    extraData = flags & 1;
    rate = static_cast<float>(numerator) / static_cast<float>(denominator);
    double shift = kDefaultOffset;
    if (isByEngineeringEyeMediaOffset()) {
        shift = getEngineeringEyeMediaOffsetInMS() / 1000.0;
        LogSystem::d(kTag, "The startTick of %s is %d.", path.c_str(), startTick);
    } else if ((flags & 2) && offset != 0) {
        shift = offset / 1000.0;
    }
    startShift = static_cast<float>(shift - kTick * startTick);

    std::vector<RawPiece> raw;
    result = readPieces(file, extraData ? 24 : 16, log, &raw);
    if (result == -1) {
        freeRawData();
        if (log && logErrors)
            LogSystem::e(kTag, "Cannot read required data from eye file %s!", path.c_str());
        return -1;
    }
    if (!takeTiming(raw)) {
        List<QuaternionAttitude> list;
        for (const auto& s : samples) list.append({s[0], s[1], s[2], s[3]});
        v1.reset(new V1RotationFeeder(list, rate));
        v1->setLowPassAlpha(alpha);
        freeRawData();
        return ResultCode::kRecoverable;
    }
    timePieces(raw, log, &result);
    movingAverageRawAttitudes();
    return result;
}

int ArrayBasedV2RotationFeeder::readPieces(std::unique_ptr<OsalInputFile>& file,
                                           unsigned recordSize, bool log,
                                           std::vector<RawPiece>* raw) {
    int result = 0;
    int tick, total;
    while (ByteUtil::readInt32(file, &tick) == 0) {
        const long long totalAt = file->tell();
        if (ByteUtil::readInt32(file, &total) != 0) {
            if (log && logErrors)
                LogSystem::w(kTag, "Cannot read total bytes, treat as file end, %s!", path.c_str());
            result = ResultCode::kRecoverable;
            break;
        }
        if (total < 0 || total % static_cast<int>(recordSize) != 0) {
            if (log && logErrors)
                LogSystem::w(kTag, "Illegal total bytes at 0x%08X, treat as file end, %s!",
                             static_cast<unsigned>(totalAt), path.c_str());
            result = ResultCode::kRecoverable;
            break;
        }
        const size_t before = samples.size();
        bool bad = false;
        for (int i = 0; i < total / static_cast<int>(recordSize) && !bad; ++i) {
            const long long at = file->tell();
            unsigned char r[24];
            if (file->read(r, recordSize) != recordSize) return -1;
            double q[4];
            eyeRecordQuaternion(r, q);
            std::array<float, 4> s;
            for (int k = 0; k < 4; ++k) s[k] = static_cast<float>(q[k]);
            const float sum = s[0] * s[0] + s[1] * s[1] + s[2] * s[2] + s[3] * s[3];
            if (!(sum >= 0.9f && sum <= 1.1f)) {
                if (log && logErrors)
                    LogSystem::w(kTag,
                                 "Illegal quaternion at 0x%08X, drop this and all following data "
                                 "pieces, %s!",
                                 static_cast<unsigned>(at), path.c_str());
                samples.resize(before);
                bad = true;
                result = ResultCode::kRecoverable;
                break;
            }
            samples.push_back(s);
        }
        if (bad) break;
        raw->push_back({tick, static_cast<int>(samples.size() - before)});
    }
    return result;
}

bool ArrayBasedV2RotationFeeder::takeTiming(std::vector<RawPiece>& raw) {
    long long count = 0;
    for (size_t j = 0; j < raw.size(); ++j) {
        count += raw[j].samples;
        if (count < rate * 0.5) continue;
        if (j == 0) return false;
        pieceDuration = static_cast<float>(kTick * (raw[j].tick - raw[j - 1].tick));
        nominal = static_cast<int>(pieceDuration * rate + 0.5f);
        // The pieces before the timing piece count as one first piece.
        RawPiece merged{raw[j - 1].tick, 0};
        for (size_t k = 0; k < j; ++k) merged.samples += raw[k].samples;
        raw.erase(raw.begin(), raw.begin() + static_cast<long>(j));
        raw.insert(raw.begin(), merged);
        return true;
    }
    return false;
}

void ArrayBasedV2RotationFeeder::timePieces(const std::vector<RawPiece>& raw, bool log,
                                            int* result) {
    double correction = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i].samples == 0) {
            if (log && logErrors)
                LogSystem::w(kTag, "%dth data piece with 0 samples, %s.", static_cast<int>(i),
                             path.c_str());
            continue;
        }
        if (std::abs(raw[i].samples - nominal) > 1)
            correction += raw[i].samples / rate - pieceDuration;
        pieces.push_back({static_cast<float>(kTick * raw[i].tick + correction), raw[i].samples});
    }
    if (pieces.empty()) return;
    const int v = pieces[0].samples;
    float first = (v - 0.5f) / rate;
    if (pieces.size() > 1 && pieces[1].samples > nominal) first = v / rate;
    if (pieces.size() > 1 && pieces[1].samples < nominal) first = (v - 1) / rate;
    const float delta = first - pieces[0].endTime;
    for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].endTime += delta;
        if (i == 0 || std::abs(pieces[i].samples - nominal) <= 1) continue;
        if (*result == 0) *result = ResultCode::kRecoverable;
        if (log && logErrors) {
            if (!extraData) LogSystem::w(kTag, "%s is with strange data piece.", path.c_str());
            LogSystem::w(kTag, "Strange data piece, endTime: %lf, %d samples",
                         static_cast<double>(pieces[i].endTime), pieces[i].samples);
        }
    }
    endTime = pieces.back().endTime;
    resetWindow();
}

void ArrayBasedV2RotationFeeder::movingAverageRawAttitudes() {
    const long long n = static_cast<long long>(samples.size());
    std::vector<std::array<float, 4>> averaged(samples.size());
    for (long long i = 0; i < n; ++i) {
        double sum[4] = {0, 0, 0, 0};
        for (long long j = std::max(0LL, i - 2); j <= std::min(n - 1, i + 2); ++j)
            for (int k = 0; k < 4; ++k) sum[k] += samples[j][k];
        refineQuaternion(sum);
        for (int k = 0; k < 4; ++k) averaged[i][k] = static_cast<float>(sum[k]);
    }
    samples.swap(averaged);
    fronts.clear();
    if (!isMovingAveragingFrontEnabled() || n == 0) return;
    // Unwrapped fronts U and their prefix sums: the mean difference to sample i over its
    // neighbourhood is mean(U) - U[i].
    std::vector<double> raw(samples.size()), unwrapped(samples.size()),
        prefix(samples.size() + 1, 0);
    for (long long i = 0; i < n; ++i) {
        const double q[4] = {samples[i][0], samples[i][1], samples[i][2], samples[i][3]};
        raw[i] = getVintaro360RawFront(q);
        unwrapped[i] = i == 0 ? raw[i] : unwrapped[i - 1] + wrap(raw[i] - raw[i - 1]);
        prefix[i + 1] = prefix[i] + unwrapped[i];
    }
    const long long w = static_cast<long long>(rate * 4 + 0.5f);
    fronts.resize(samples.size());
    for (long long i = 0; i < n; ++i) {
        const long long lo = std::max(0LL, i - w), hi = std::min(n - 1, i + w);
        const double mean = (prefix[hi + 1] - prefix[lo]) / static_cast<double>(hi - lo + 1);
        fronts[i] = static_cast<float>(wrap(raw[i] + mean - unwrapped[i]));
    }
}

void ArrayBasedV2RotationFeeder::freeRawData() {
    samples.clear();
    samples.shrink_to_fit();
    fronts.clear();
    fronts.shrink_to_fit();
    pieces.clear();
}

void ArrayBasedV2RotationFeeder::resetWindow() {
    windowFirst = windowLast = 0;
    firstSample = 0;
    lastSample = pieces.empty() ? 0 : pieces[0].samples - 1;
}

float ArrayBasedV2RotationFeeder::edgeShift(const Piece& p) const {
    if (p.samples == nominal + 1) return 0;
    if (p.samples == nominal - 1) return 1 / rate;
    return 0.5f / rate;
}

void ArrayBasedV2RotationFeeder::quaternionAt(double t, double q[4], double* front) {
    while (windowFirst + 1 < pieces.size() &&
           pieces[windowFirst].endTime <= std::max(0.0, t - kWindow)) {
        firstSample += pieces[windowFirst].samples;
        ++windowFirst;
    }
    while (windowLast + 1 < pieces.size() &&
           pieces[windowLast].endTime < std::min<double>(endTime, t + kWindow)) {
        ++windowLast;
        lastSample += pieces[windowLast].samples;
    }
    if (windowLast < windowFirst) {
        windowLast = windowFirst;
        lastSample = firstSample + pieces[windowFirst].samples - 1;
    }
    const double d =
        windowFirst == 0 ? 0 : pieces[windowFirst - 1].endTime + edgeShift(pieces[windowFirst]);
    const double e = pieces[windowLast].endTime - edgeShift(pieces[windowLast]);
    const long long span = lastSample - firstSample;
    const double m = span > 0 ? (e - d) / static_cast<double>(span) : 0;
    const long long o = m > 0 ? static_cast<long long>(std::floor((t - d) / m)) : 0;
    auto take = [&](long long i) {
        for (int k = 0; k < 4; ++k) q[k] = samples[i][k];
        if (front) *front = fronts.empty() ? 0 : fronts[i];
    };
    if (m <= 0 || o < 0) return take(firstSample);
    if (o >= span) return take(lastSample);
    const double v = std::min(1.0, std::max(0.0, ((t - d) - o * m) / m));
    const long long a = firstSample + o;
    double q0[4], q1[4];
    for (int k = 0; k < 4; ++k) {
        q0[k] = samples[a][k];
        q1[k] = samples[a + 1][k];
    }
    quaternionSlerp(q0, q1, v, q);
    if (front && !fronts.empty())
        *front = fronts[a] + v * wrap(fronts[a + 1] - fronts[a]);
    else if (front)
        *front = 0;
}

bool ArrayBasedV2RotationFeeder::getRawQuaternion(int frame, double q[4], double* front) {
    if (v1 || pieces.empty()) return false;
    const double t = startShift + frame / 30.0;
    if (t > endTime) return false;
    quaternionAt(t, q, front);
    return true;
}

double ArrayBasedV2RotationFeeder::getDuration() {
    if (v1) return v1->getDuration();
    return pieces.empty() ? 0 : endTime - startShift;
}

void ArrayBasedV2RotationFeeder::prepareFilteredRotationData(int first, int count) {
    if (v1) return v1->prepareFilteredRotationData(first, count);
    if (first < 0) return;
    if (pieces.empty() && parsingResult >= 0 && !prepared.empty()) parseFile(false);
    if (v1) return v1->prepareFilteredRotationData(first, count);
    if (pieces.empty()) return;
    resetWindow();
    // A broken file can end before it starts: no frames then, not a negative count.
    const double frames = std::clamp<double>(getDuration() * 30, 0, kMaxPreparedFrames);
    const int m = std::max(1, static_cast<int>(frames / 30) * 30 - first);
    const int n = count > 0 && count < m ? count : m;
    prepared.assign(static_cast<size_t>(n), {});
    firstFrame = first;
    Vintaro360FrontParameters params{kNoFront};
    for (int i = 0; i < n; ++i) {
        const double t = startShift + (first + i) / 30.0;
        double q[4], front = 0;
        const size_t last = samples.size() - 1;
        if (t < 0 || t >= endTime) {
            const size_t k = t < 0 ? 0 : last;
            for (int j = 0; j < 4; ++j) q[j] = samples[k][j];
            front = fronts.empty() ? 0 : fronts[k];
        } else {
            quaternionAt(t, q, &front);
        }
        if (!fronts.empty())
            fillVintaro360RMByAttitudeWithFront(q, prepared[i].data(), front);
        else
            fillVintaro360RMByAttitude(q, prepared[i].data(), &params, alpha);
    }
    if (count >= 1) freeRawData();
}

void ArrayBasedV2RotationFeeder::fillRotationData(int frame, double R[3][3]) {
    if (!isUsingEye()) return fillStandardRData(R);
    if (v1) return v1->fillRotationData(frame, R);
    if (prepared.empty()) return fillStandardRData(R);
    size_t k = frame <= firstFrame ? 0 : static_cast<size_t>(frame - firstFrame);
    if (k >= prepared.size()) {
        k = prepared.size() - 1;
        if (!warned.exchange(true)) LogSystem::w(kTag, "Short rotation matrix data from eye file.");
    }
    for (int i = 0; i < 9; ++i) R[i / 3][i % 3] = prepared[k][i];
}
