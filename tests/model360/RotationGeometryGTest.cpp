#include <array>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Random unit quaternions with w > 0 (the range of rmatrixToQuternion), fixed seed.
std::vector<std::array<double, 4>> randomQuaternions(int count) {
    std::mt19937 rng(1234);
    std::normal_distribution<double> n(0, 1);
    std::vector<std::array<double, 4>> out;
    while (static_cast<int>(out.size()) < count) {
        std::array<double, 4> q{n(rng), n(rng), n(rng), n(rng)};
        refineQuaternion(q.data());
        if (q[0] < 0.05) continue;
        out.push_back(q);
    }
    return out;
}

TEST(RotationGeometry, AxisRotationsOfUnitVectors) {
    struct Case {
        void (*fill)(double, double*);
        float v[3];
        float expected[3];
    };
    const Case cases[] = {
        {fillRotationMatrixAlongZ, {1, 0, 0}, {0, 1, 0}},
        {fillRotationMatrixAlongZ, {0, 1, 0}, {-1, 0, 0}},
        {fillRotationMatrixAlongX, {0, 1, 0}, {0, 0, 1}},
        {fillRotationMatrixAlongX, {0, 0, 1}, {0, -1, 0}},
        {fillRotationMatrixAlongY, {0, 0, 1}, {1, 0, 0}},
        {fillRotationMatrixAlongY, {1, 0, 0}, {0, 0, -1}},
    };
    for (const Case& c : cases) {
        double M[9];
        float Mf[9], out[3];
        c.fill(kPi / 2, M);
        rmatrixCopy(M, Mf);
        rotate(Mf, c.v, out);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], c.expected[i], 1e-6);
    }
}

TEST(RotationGeometry, RotationVectorQuaternionRules) {
    const double zero[3] = {0, 0, 0};
    double q[4];
    rvector2Quaternion(zero, q);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[1], 0.0);

    const double small[3] = {0.005, 0, 0};  // length <= 0.01: k = 0.5
    rvector2Quaternion(small, q);
    EXPECT_DOUBLE_EQ(q[1], 0.0025);

    double v[3];
    const double identity[4] = {1, 0, 0, 0};
    quaternion2RVector(identity, v);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[2], 0.0);

    // Round trip of a larger rotation.
    const double r[3] = {0.3, -1.1, 0.7};
    rvector2Quaternion(r, q);
    quaternion2RVector(q, v);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], r[i], 1e-12);
}

TEST(RotationGeometry, RVectorOfWSlightlyAboveOneIsFinite) {
    const double qd[4] = {1.0 + 1e-15, 1e-9, 0, 0};
    double vd[3];
    quaternion2RVector(qd, vd);
    EXPECT_TRUE(std::isfinite(vd[0]));
    EXPECT_NEAR(vd[0], 2e-9, 1e-15);

    const float qf[4] = {1.0000001f, 1e-4f, 0, 0};
    float vf[3];
    quaternion2RVector(qf, vf);
    EXPECT_TRUE(std::isfinite(vf[0]));
    EXPECT_NEAR(vf[0], 2e-4f, 1e-7f);

    double half[4];
    halfQuaternion(qd, half);
    EXPECT_TRUE(std::isfinite(half[0]));
}

TEST(RotationGeometry, QuaternionMatrixRoundTrips) {
    for (const auto& q : randomQuaternions(200)) {
        double M[9], back[4];
        fillRotationMatrixByQuaternion(q.data(), M);
        rmatrixToQuternion(M, back);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(back[i], q[i], 1e-9);

        // The matrix is a rotation: M x M^T = I.
        double Mt[9], I[9];
        rmatrixInverse(M, Mt);
        rmatrixMutiply(M, Mt, I);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(I[i], i % 4 == 0 ? 1.0 : 0.0, 1e-12);

        float qf[4], Mf[9], backf[4];
        quaternionCopy(q.data(), qf);
        fillRotationMatrixByQuaternion(qf, Mf);
        rmatrixToQuternion(Mf, backf);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(backf[i], q[i], 2e-5);
    }
}

TEST(RotationGeometry, QuaternionProductMatchesMatrixProduct) {
    const auto qs = randomQuaternions(40);
    for (size_t i = 0; i + 1 < qs.size(); ++i) {
        double pq[4], Mp[9], Mq[9], Mpq[9], Mprod[9];
        quaternionMutiply(qs[i].data(), qs[i + 1].data(), pq);
        fillRotationMatrixByQuaternion(qs[i].data(), Mp);
        fillRotationMatrixByQuaternion(qs[i + 1].data(), Mq);
        fillRotationMatrixByQuaternion(pq, Mpq);
        rmatrixMutiply(Mp, Mq, Mprod);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(Mpq[k], Mprod[k], 1e-12);
    }
    const double i[4] = {0, 1, 0, 0}, j[4] = {0, 0, 1, 0};
    double k[4];
    quaternionMutiply(i, j, k);
    EXPECT_EQ(k[3], 1.0);
    EXPECT_EQ(k[0], 0.0);
}

TEST(RotationGeometry, ProductsAcceptOutputAliasingAnInput) {
    const auto qs = randomQuaternions(2);
    double expected[4], p[4] = {qs[0][0], qs[0][1], qs[0][2], qs[0][3]};
    quaternionMutiply(p, qs[1].data(), expected);
    quaternionMutiply(p, qs[1].data(), p);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(p[i], expected[i]);

    float pf[4], qf[4], ef[4];
    quaternionCopy(qs[0].data(), pf);
    quaternionCopy(qs[1].data(), qf);
    quaternionMutiply(pf, qf, ef);
    quaternionMutiply(pf, qf, qf);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(qf[i], ef[i]);

    double A[9], B[9], AB[9];
    fillRotationMatrixAlongX(0.4, A);
    fillRotationMatrixAlongZ(-1.2, B);
    rmatrixMutiply(A, B, AB);
    rmatrixMutiply(A, B, A);
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(A[i], AB[i]);

    float Af[9], Bf[9], ABf[9];
    rmatrixCopy(B, Bf);
    rmatrixCopy(AB, Af);
    rmatrixMutiply(Af, Bf, ABf);
    rmatrixMutiply(Af, Bf, Bf);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(Bf[i], ABf[i]);
}

TEST(RotationGeometry, SlerpEndPointsAndSignRule) {
    const auto qs = randomQuaternions(20);
    for (size_t i = 0; i + 1 < qs.size(); ++i) {
        const double* q0 = qs[i].data();
        double q1[4];
        quaternionCopy(qs[i + 1].data(), q1);
        const double sign =
            (q0[0] * q1[0] + q0[1] * q1[1] + q0[2] * q1[2] + q0[3] * q1[3]) < 0 ? -1.0 : 1.0;
        double at0[4], at1[4];
        quaternionSlerp(q0, q1, 0.0, at0);
        quaternionSlerp(q0, q1, 1.0, at1);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(at0[k], q0[k], 1e-12);
            EXPECT_NEAR(at1[k], sign * q1[k], 1e-12);
        }
    }
    // A negative dot takes the shorter arc: the end point is -q1.
    const double q0[4] = {1, 0, 0, 0};
    const double q1[4] = {-0.8, 0.6, 0, 0};
    double end[4];
    quaternionSlerp(q0, q1, 1.0, end);
    EXPECT_NEAR(end[0], 0.8, 1e-12);
    EXPECT_NEAR(end[1], -0.6, 1e-12);

    double same[4];
    quaternionSlerp(q0, q0, 0.3, same);
    EXPECT_EQ(same[0], 1.0);

    float f0[4] = {1, 0, 0, 0}, f1[4] = {-0.8f, 0.6f, 0, 0}, out[4];
    quaternionSlerp2(f0, f1, 0.5f, out);
    EXPECT_FLOAT_EQ(f1[0], 0.8f);  // the caller's q1 is negated
    EXPECT_FLOAT_EQ(f1[1], -0.6f);

    double half[4];
    partialQuaternionBySlerp(q1, 1.0, half);
    EXPECT_NEAR(half[0], 0.8, 1e-12);
}

TEST(RotationGeometry, HalfQuaternionAndRVectorSlerp) {
    double q[4], half[4], twice[4];
    fillQuaternionAlongX(1.2, q);
    halfQuaternion(q, half);
    quaternionMutiply(half, half, twice);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(twice[i], q[i], 1e-12);

    const double a[3] = {0, 0, 0}, b[3] = {0, 0.8, 0};
    double mid[3];
    rvectorSlerp(a, b, 0.5, mid);
    EXPECT_NEAR(mid[1], 0.4, 1e-9);
}

// Independent formulas: the matrix of a rotation vector (Rodrigues) and of a unit quaternion.
std::array<double, 9> rodrigues(const double v[3]) {
    const double a = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (a == 0) return m;
    const double x = v[0] / a, y = v[1] / a, z = v[2] / a;
    const double c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
            t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
            t * x * z - s * y, t * y * z + s * x, t * z * z + c};
}

std::array<double, 9> matrixOf(const double q[4]) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    return {w * w + x * x - y * y - z * z, 2 * (x * y - w * z),
            2 * (x * z + w * y),           2 * (x * y + w * z),
            w * w - x * x + y * y - z * z, 2 * (y * z - w * x),
            2 * (x * z - w * y),           2 * (y * z + w * x),
            w * w - x * x - y * y + z * z};
}

std::array<double, 9> squared(const std::array<double, 9>& m) {
    std::array<double, 9> out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) out[3 * r + c] += m[3 * r + k] * m[3 * k + c];
    return out;
}

double largestDifference(const std::array<double, 9>& a, const std::array<double, 9>& b) {
    double most = 0;
    for (int i = 0; i < 9; ++i) most = std::max(most, std::fabs(a[i] - b[i]));
    return most;
}

// Quaternions of both signs of w, with w near -1, 0 and 1, and random ones.
std::vector<std::array<double, 4>> quaternionsOfEverySign() {
    std::vector<std::array<double, 4>> out;
    const double n[3] = {0.48, 0.6, 0.64};
    for (double h : {0.004, 0.3, 1.4, kPi / 2 - 0.001, kPi / 2 + 0.3, kPi - 0.004, kPi - 1e-4})
        out.push_back({std::cos(h), n[0] * std::sin(h), n[1] * std::sin(h), n[2] * std::sin(h)});
    std::mt19937 rng(99);
    std::normal_distribution<double> g(0, 1);
    for (int i = 0; i < 4000; ++i) {
        std::array<double, 4> q{g(rng), g(rng), g(rng), g(rng)};
        refineQuaternion(q.data());
        out.push_back(q);
    }
    return out;
}

TEST(RotationGeometry, RVectorsHalvesAndSlerpsMatchTheRotationForEitherSign) {
    const double zero[3] = {0, 0, 0};
    for (const auto& q : quaternionsOfEverySign()) {
        SCOPED_TRACE(testing::Message() << "w " << q[0]);
        const std::array<double, 9> rotation = matrixOf(q.data());
        double v[3], half[4], mid[3];
        quaternion2RVector(q.data(), v);
        EXPECT_LE(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), kPi + 1e-9);
        EXPECT_LT(largestDifference(rodrigues(v), rotation), 1e-4);
        float qf[4] = {float(q[0]), float(q[1]), float(q[2]), float(q[3])}, vf[3];
        quaternion2RVector(qf, vf);
        const double vd[3] = {vf[0], vf[1], vf[2]};
        EXPECT_LT(largestDifference(rodrigues(vd), rotation), 1e-3);
        halfQuaternion(q.data(), half);
        EXPECT_LT(largestDifference(squared(matrixOf(half)), rotation), 1e-4);
        rvectorSlerp(zero, v, 0.5, mid);
        EXPECT_LT(largestDifference(squared(rodrigues(mid)), rotation), 1e-4);
    }
}

TEST(RotationGeometry, EulerAnglesAndPoles) {
    const float e[3] = {0.3f, -0.4f, 1.1f};
    float q[4], back[3];
    eulerAngle2Quaternion(e, q);
    quaternion2EulerAngle(q, back);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], e[i], 1e-5);

    // A non-unit quaternion pushes s = 2(wy - xz) beyond 1: pitch is exactly +-pi/2.
    const float up[4] = {0.8f, 0, 0.8f, 0};
    const float down[4] = {0.8f, 0, -0.8f, 0};
    quaternion2EulerAngle(up, back);
    EXPECT_EQ(back[1], static_cast<float>(kPi / 2));
    quaternion2EulerAngle(down, back);
    EXPECT_EQ(back[1], static_cast<float>(-kPi / 2));

    // The Euler convention: Rz(yaw) x Ry(pitch) x Rx(roll).
    double Rx[9], Ry[9], Rz[9], R[9], Mq[9];
    fillRotationMatrixAlongX(e[0], Rx);
    fillRotationMatrixAlongY(e[1], Ry);
    fillRotationMatrixAlongZ(e[2], Rz);
    rmatrixMutiply(Ry, Rx, R);
    rmatrixMutiply(Rz, R, R);
    eulerAngle2Quaternion(e, q);
    fillRotationMatrixByQuaternion(q, Mq);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(Mq[i], R[i], 1e-6);
}

TEST(RotationGeometry, SphereAndLittlePlanetOnAxes) {
    double lat, lon;
    xyzToSphere(0, 0, 1, &lat, &lon);
    EXPECT_DOUBLE_EQ(lat, 90.0);
    EXPECT_EQ(lon, 0.0);
    xyzToSphere(0, 2, 0, &lat, &lon);
    EXPECT_NEAR(lat, 0.0, 1e-12);
    EXPECT_NEAR(lon, 90.0, 1e-12);

    double x, y, z;
    sphereToUnitXyz(0, 90, &x, &y, &z);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_NEAR(z, 0, 1e-12);
    sphereToUnitXyz(-90, 0, &x, &y, &z);
    EXPECT_NEAR(z, -1, 1e-12);

    struct PlaneCase {
        double u, v, x, y, z;
    };
    const PlaneCase cases[] = {{0, 0, 0, 0, -1}, {1, 0, 1, 0, 0}, {0, -1, 0, -1, 0}};
    for (const PlaneCase& c : cases) {
        littlePlanetToUnitXyz(c.u, c.v, &x, &y, &z);
        EXPECT_NEAR(x, c.x, 1e-12);
        EXPECT_NEAR(y, c.y, 1e-12);
        EXPECT_NEAR(z, c.z, 1e-12);
    }
    littlePlanetToUnitXyz(1e6, 0, &x, &y, &z);
    EXPECT_NEAR(z, 1, 1e-9);
}

TEST(RotationGeometry, InverseAndDegrees) {
    const float q[4] = {0.5f, 0.5f, -0.5f, 0.5f};
    double inv[4];
    quaternionInverse(q, inv);
    EXPECT_EQ(inv[2], 0.5);
    EXPECT_EQ(inv[3], -0.5);
    const float v[3] = {0, static_cast<float>(kPi), 0};
    EXPECT_NEAR(degreeOfRvector(v), 180.0f, 1e-4);
}

}  // namespace
