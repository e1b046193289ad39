#include "RotationGeometry.h"

#include <cmath>

// Each operation is written once as a template over the number type; the overloads below pick
// the arithmetic type (float forms compute in float unless their contract says otherwise).
namespace {

constexpr double kPi = 3.141592653589793;

template <typename T>
T clampUnit(T v) {
    return v > T(1) ? T(1) : (v < T(-1) ? T(-1) : v);
}

template <typename In, typename Out, int N>
void copyArray(const In* src, Out* dst) {
    for (int i = 0; i < N; ++i) dst[i] = static_cast<Out>(src[i]);
}

template <typename T>
void identity(T M[9]) {
    for (int i = 0; i < 9; ++i) M[i] = (i % 4 == 0) ? T(1) : T(0);
}

template <typename T>
void toQuaternion(const T v[3], T q[4]) {
    const T a = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const T k = a <= T(0.01) ? T(0.5) : std::sin(a / T(2)) / a;
    q[0] = std::cos(a / T(2));
    q[1] = k * v[0];
    q[2] = k * v[1];
    q[3] = k * v[2];
}

template <typename T>
void toRVector(const T q[4], T v[3]) {
    // -q is the same rotation; with w >= 0 the angle is at most pi and the small-angle
    // branch is taken only for small rotations.
    const T sign = q[0] < 0 ? T(-1) : T(1);
    const T h = std::acos(clampUnit(sign * q[0]));
    const T s = std::sin(h);
    const T k = sign * (s < T(0.01) ? T(2) : T(2) * h / s);
    v[0] = q[1] * k;
    v[1] = q[2] * k;
    v[2] = q[3] * k;
}

template <typename Q, typename M>
void quaternionToMatrix(const Q q[4], M out[9]) {
    const M w = q[0], x = q[1], y = q[2], z = q[3];
    out[0] = 1 - 2 * (y * y + z * z);
    out[1] = 2 * (x * y - w * z);
    out[2] = 2 * (x * z + w * y);
    out[3] = 2 * (x * y + w * z);
    out[4] = 1 - 2 * (x * x + z * z);
    out[5] = 2 * (y * z - w * x);
    out[6] = 2 * (x * z - w * y);
    out[7] = 2 * (y * z + w * x);
    out[8] = 1 - 2 * (x * x + y * y);
}

template <typename T>
void matrixToQuaternion(const T M[9], T q[4]) {
    const T w = static_cast<T>(std::sqrt(1.0 + M[0] + M[4] + M[8]) / 2.0);
    const T w4 = 4 * w;
    q[0] = w;
    q[1] = (M[7] - M[5]) / w4;
    q[2] = (M[2] - M[6]) / w4;
    q[3] = (M[3] - M[1]) / w4;
}

template <typename A, typename B>
void transpose(const A M[9], B out[9]) {
    B t[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t[3 * c + r] = static_cast<B>(M[3 * r + c]);
    copyArray<B, B, 9>(t, out);
}

template <typename T>
void matrixProduct(const T A[9], const T B[9], T out[9]) {
    T t[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t[3 * i + j] = A[3 * i] * B[j] + A[3 * i + 1] * B[3 + j] + A[3 * i + 2] * B[6 + j];
    copyArray<T, T, 9>(t, out);
}

template <typename A, typename B>
void conjugate(const A q[4], B out[4]) {
    out[0] = static_cast<B>(q[0]);
    out[1] = static_cast<B>(-q[1]);
    out[2] = static_cast<B>(-q[2]);
    out[3] = static_cast<B>(-q[3]);
}

template <typename T>
T dot4(const T a[4], const T b[4]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

template <typename T>
void normalise(T q[4]) {
    const T len = std::sqrt(dot4(q, q));
    for (int i = 0; i < 4; ++i) q[i] /= len;
}

template <typename T>
void hamilton(const T p[4], const T q[4], T out[4]) {
    const T w = p[0] * q[0] - p[1] * q[1] - p[2] * q[2] - p[3] * q[3];
    const T x = p[0] * q[1] + p[1] * q[0] + p[2] * q[3] - p[3] * q[2];
    const T y = p[0] * q[2] - p[1] * q[3] + p[2] * q[0] + p[3] * q[1];
    const T z = p[0] * q[3] + p[1] * q[2] - p[2] * q[1] + p[3] * q[0];
    out[0] = w;
    out[1] = x;
    out[2] = y;
    out[3] = z;
}

// Weighted sum w0 q0 + w1 q1 into out (out may alias either input).
template <typename T>
void combine(const T q0[4], T w0, const T q1[4], T w1, T out[4]) {
    T t[4];
    for (int i = 0; i < 4; ++i) t[i] = w0 * q0[i] + w1 * q1[i];
    copyArray<T, T, 4>(t, out);
}

template <typename T>
void slerp(const T q0[4], const T q1[4], T t, T out[4]) {
    const T d = dot4(q0, q1);
    if (std::fabs(d) >= T(1)) {
        copyArray<T, T, 4>(q0, out);
        return;
    }
    const T a = std::fabs(d);
    const T s = std::sqrt(T(1) - a * a);
    T w0 = T(1) - t;
    T w1 = t;
    if (s >= T(0.001)) {
        const T h = std::acos(a);
        w0 = std::sin((T(1) - t) * h) / s;
        w1 = std::sin(t * h) / s;
    }
    if (d < T(0)) w1 = -w1;
    combine(q0, w0, q1, w1, out);
    normalise(out);
}

template <typename T>
void partialSlerp(const T q[4], T t, T out[4]) {
    static const T kIdentity[4] = {T(1), T(0), T(0), T(0)};
    slerp(kIdentity, q, t, out);
}

void halfInDouble(const double q[4], double out[4]) {
    double v[3];
    toRVector(q, v);
    for (double& c : v) c /= 2.0;
    toQuaternion(v, out);
}

}  // namespace

void fillIdentityMatrix(double M[9]) { identity(M); }
void fillIdentityMatrix(float M[9]) { identity(M); }

void fillRotationMatrixAlongX(double angle, double M[9]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double m[9] = {1, 0, 0, 0, c, -s, 0, s, c};
    copyArray<double, double, 9>(m, M);
}

void fillRotationMatrixAlongY(double angle, double M[9]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double m[9] = {c, 0, s, 0, 1, 0, -s, 0, c};
    copyArray<double, double, 9>(m, M);
}

void fillRotationMatrixAlongZ(double angle, double M[9]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double m[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    copyArray<double, double, 9>(m, M);
}

void fillQuaternionAlongX(double angle, double q[4]) {
    const double v[3] = {angle, 0, 0};
    toQuaternion(v, q);
}

void fillQuaternionAlongY(double angle, double q[4]) {
    const double v[3] = {0, angle, 0};
    toQuaternion(v, q);
}

void rvector2Quaternion(const double v[3], double q[4]) { toQuaternion(v, q); }
void rvector2Quaternion(const float v[3], float q[4]) { toQuaternion(v, q); }

void quaternion2RVector(const double q[4], double v[3]) { toRVector(q, v); }
void quaternion2RVector(const float q[4], float v[3]) { toRVector(q, v); }

float degreeOfRvector(const float v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) * 180.0f / static_cast<float>(kPi);
}

void fillRotationMatrixByRVector(const double v[3], double M[9]) {
    double q[4];
    toQuaternion(v, q);
    quaternionToMatrix(q, M);
}

void fillRotationMatrixByQuaternion(const double q[4], double M[9]) { quaternionToMatrix(q, M); }
void fillRotationMatrixByQuaternion(const float q[4], float M[9]) { quaternionToMatrix(q, M); }
void fillRotationMatrixByQuaternion(const float q[4], double M[9]) { quaternionToMatrix(q, M); }

void rmatrixToQuternion(const double M[9], double q[4]) { matrixToQuaternion(M, q); }
void rmatrixToQuternion(const float M[9], float q[4]) { matrixToQuaternion(M, q); }

void rmatrixCopy(const double src[9], double dst[9]) { copyArray<double, double, 9>(src, dst); }
void rmatrixCopy(const float src[9], float dst[9]) { copyArray<float, float, 9>(src, dst); }
void rmatrixCopy(const double src[9], float dst[9]) { copyArray<double, float, 9>(src, dst); }
void rmatrixCopy(const float src[9], double dst[9]) { copyArray<float, double, 9>(src, dst); }

void rmatrixInverse(const double M[9], double out[9]) { transpose(M, out); }
void rmatrixInverse(const float M[9], float out[9]) { transpose(M, out); }

void rmatrixMutiply(const double A[9], const double B[9], double out[9]) {
    matrixProduct(A, B, out);
}

void rmatrixMutiply(const float A[9], const float B[9], float out[9]) { matrixProduct(A, B, out); }

void rotate(const float M[9], const float v[3], float out[3]) {
    float t[3];
    for (int i = 0; i < 3; ++i) t[i] = M[3 * i] * v[0] + M[3 * i + 1] * v[1] + M[3 * i + 2] * v[2];
    copyArray<float, float, 3>(t, out);
}

void quaternionCopy(const double src[4], double dst[4]) { copyArray<double, double, 4>(src, dst); }
void quaternionCopy(const float src[4], float dst[4]) { copyArray<float, float, 4>(src, dst); }
void quaternionCopy(const double src[4], float dst[4]) { copyArray<double, float, 4>(src, dst); }
void quaternionCopy(const float src[4], double dst[4]) { copyArray<float, double, 4>(src, dst); }

void quaternionInverse(const double q[4], double out[4]) { conjugate(q, out); }
void quaternionInverse(const float q[4], float out[4]) { conjugate(q, out); }
void quaternionInverse(const float q[4], double out[4]) { conjugate(q, out); }
void quaternionInverse(const double q[4], float out[4]) { conjugate(q, out); }

void refineQuaternion(double q[4]) { normalise(q); }
void refineQuaternion(float q[4]) { normalise(q); }

void quaternionMutiply(const double p[4], const double q[4], double out[4]) { hamilton(p, q, out); }

void quaternionMutiply(const float p[4], const float q[4], float out[4]) { hamilton(p, q, out); }

void quaternion2EulerAngle(const float q[4], float e[3]) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double s = 2 * (w * y - x * z);
    e[0] = static_cast<float>(std::atan2(2 * (w * x + y * z), 1 - 2 * (x * x + y * y)));
    e[1] = static_cast<float>(std::fabs(s) >= 1 ? std::copysign(kPi / 2, s) : std::asin(s));
    e[2] = static_cast<float>(std::atan2(2 * (w * z + x * y), 1 - 2 * (y * y + z * z)));
}

void eulerAngle2Quaternion(const float e[3], float q[4]) {
    const float cr = std::cos(e[0] / 2), sr = std::sin(e[0] / 2);
    const float cp = std::cos(e[1] / 2), sp = std::sin(e[1] / 2);
    const float cy = std::cos(e[2] / 2), sy = std::sin(e[2] / 2);
    q[0] = cr * cp * cy + sr * sp * sy;
    q[1] = sr * cp * cy - cr * sp * sy;
    q[2] = cr * sp * cy + sr * cp * sy;
    q[3] = cr * cp * sy - sr * sp * cy;
}

void quaternionSlerp(const double q0[4], const double q1[4], double t, double out[4]) {
    slerp(q0, q1, t, out);
}

void quaternionSlerp(const float q0[4], const float q1[4], float t, float out[4]) {
    slerp(q0, q1, t, out);
}

void quaternionSlerp2(const float q0[4], float q1[4], float t, float out[4]) {
    float d = dot4(q0, q1);
    if (d < 0) {
        for (int i = 0; i < 4; ++i) q1[i] = -q1[i];
        d = -d;
    }
    if (d > 0.9995f) {
        float t4[4];
        for (int i = 0; i < 4; ++i) t4[i] = q0[i] + t * (q1[i] - q0[i]);
        normalise(t4);
        copyArray<float, float, 4>(t4, out);
        return;
    }
    const float h = std::acos(d);
    const float w1 = std::sin(t * h) / std::sin(h);
    const float w0 = std::cos(t * h) - d * std::sin(t * h) / std::sin(h);
    combine(q0, w0, q1, w1, out);
}

void partialQuaternionBySlerp(const double q[4], double t, double out[4]) {
    partialSlerp(q, t, out);
}

void partialQuaternionBySlerp(const float q[4], float t, float out[4]) { partialSlerp(q, t, out); }

void halfQuaternion(const double q[4], double out[4]) { halfInDouble(q, out); }

void halfQuaternion(const float q[4], float out[4]) {
    double qd[4], half[4];
    copyArray<float, double, 4>(q, qd);
    halfInDouble(qd, half);
    copyArray<double, float, 4>(half, out);
}

void rvectorSlerp(const double a[3], const double b[3], double t, double out[3]) {
    double qa[4], qb[4], q[4];
    toQuaternion(a, qa);
    toQuaternion(b, qb);
    slerp(qa, qb, t, q);
    toRVector(q, out);
}

void xyzToSphere(double x, double y, double z, double* lat, double* lon) {
    const double len = std::sqrt(x * x + y * y + z * z);
    *lat = std::asin(z / len) * 180.0 / kPi;
    *lon = std::sqrt(x * x + y * y) < 1e-6 ? 0.0 : std::atan2(y, x) * 180.0 / kPi;
}

void sphereToUnitXyz(double lat, double lon, double* x, double* y, double* z) {
    const double la = lat * kPi / 180.0, lo = lon * kPi / 180.0;
    *x = std::cos(lo) * std::cos(la);
    *y = std::sin(lo) * std::cos(la);
    *z = std::sin(la);
}

void littlePlanetToUnitXyz(double u, double v, double* x, double* y, double* z) {
    const double r2 = u * u + v * v;
    *x = 2 * u / (1 + r2);
    *y = 2 * v / (1 + r2);
    *z = (r2 - 1) / (1 + r2);
}
