#include "V1RotationFeeder.h"

#include <cstring>

#include "CameraFront.h"
#include "LogSystem.h"
#include "ResultCode.h"
#include "RotationGeometry.h"
#include "Vintaro360Camera.h"
#include "Vintaro360Files.h"

namespace {

constexpr int kLeadFrames = 5;  // matrices show the attitude 1/6 s ahead

void toArray(const QuaternionAttitude& a, double q[4]) {
    q[0] = a.w;
    q[1] = a.x;
    q[2] = a.y;
    q[3] = a.z;
}

}  // namespace

V1RotationFeeder::V1RotationFeeder(const char* path) : alpha(calculateLowPassAlpha(0.1, 1.0 / 30)) {
    int offset = 0;
    const int result = parseVintaro360EyeFile(path, samples, &offset, &rate);
    parsingResult =
        result == 0 ? 0 : (result == ResultCode::kCannotOpen ? ResultCode::kCannotOpen : -1);
    if (parsingResult != 0) samples.clear();
}

V1RotationFeeder::V1RotationFeeder(const List<QuaternionAttitude>& samples, double rate)
    : samples(samples), rate(rate), alpha(calculateLowPassAlpha(0.1, 1.0 / 30)) {
    if (!(rate > 0)) {
        parsingResult = -1;
        this->samples.clear();
    }
}

void V1RotationFeeder::setLowPassAlpha(double value) { alpha = value; }

double V1RotationFeeder::getDuration() {
    return samples.empty() ? 0 : samples.size() / rate - 1.0 / 6;
}

void V1RotationFeeder::prepareFilteredRotationData(int first, int) {
    if (first < 0 || samples.empty()) return;
    matrices.clear();
    firstFrame = first;
    Vintaro360FrontParameters params{kNoFront};
    double q[4], q0[4], q1[4];
    std::array<double, 9> R;
    for (long long c = kLeadFrames; matrices.size() + 1 < static_cast<size_t>(kMaxPreparedFrames);
         ++c) {
        const double t = static_cast<double>(c + first) / 30;
        if (t < 0) {
            toArray(samples.front(), q);
        } else {
            const double s = t * rate;
            const size_t f = static_cast<size_t>(s);
            if (f + 1 >= samples.size()) break;
            toArray(samples[f], q0);
            toArray(samples[f + 1], q1);
            quaternionSlerp(q0, q1, s - static_cast<double>(f), q);
        }
        fillVintaro360RMByAttitude(q, R.data(), &params, alpha);
        matrices.push_back(R);
    }
    toArray(samples.back(), q);
    fillVintaro360RMByAttitude(q, R.data(), &params, alpha);
    matrices.push_back(R);
}

void V1RotationFeeder::fillRotationData(int frame, double R[3][3]) {
    if (matrices.empty()) {
        fillStandardRData(R);
        return;
    }
    size_t k = frame <= firstFrame ? 0 : static_cast<size_t>(frame - firstFrame);
    if (k >= matrices.size() - 1) {
        k = matrices.size() - 1;
        if (!warned.exchange(true))
            LogSystem::w("V1RF", "Short rotation matrix data from eye file.");
    }
    std::memcpy(&R[0][0], matrices[k].data(), sizeof(double) * 9);
}
