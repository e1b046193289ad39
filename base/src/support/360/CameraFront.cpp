#include "CameraFront.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

// Into -pi..pi by one step of 2 pi.
double wrap(double a) {
    if (a > kPi) return a - 2 * kPi;
    if (a < -kPi) return a + 2 * kPi;
    return a;
}

}  // namespace

double calculateLowPassAlpha(double fc, double dt) { return dt / (1 / (2 * kPi * fc) + dt); }

double frontAngleOfMatrix(const double M[9]) {
    const double d1 = M[0] - M[2];
    const double d2 = M[5] - M[3];
    if (d1 * d1 + d2 * d2 > 0.1) return std::atan2(d2, d1);
    return std::atan2(-M[3], M[0]);
}

double filterFront(double raw, double* front, double alpha) {
    double c = raw;
    if (*front <= 360) c = wrap(*front + alpha * wrap(raw - *front));
    *front = c;
    return c;
}
