// Camera models of both families: front filter, levelling rotations, eye v1 files, names and
// period strings.
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "CameraFixtures.h"
#include "CameraFront.h"
#include "RotationGeometry.h"
#include "TestEnv.h"
#include "TimeUtil.h"
#include "UqoLensCamera.h"
#include "Vintaro360Camera.h"
#include "Vintaro360Files.h"

using namespace CameraFixtures;

namespace {

const double kPi = std::acos(-1.0);

std::vector<Quaternion> randomUnitQuaternions(int n) {
    std::mt19937 rng(7);
    std::normal_distribution<double> d;
    std::vector<Quaternion> qs;
    for (int i = 0; i < n; ++i) {
        Quaternion q = {d(rng), d(rng), d(rng), d(rng)};
        refineQuaternion(q.data());
        qs.push_back(q);
    }
    return qs;
}

void expectMatrix(const double* A, const double* B, double tol = 1e-12) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(A[i], B[i], tol) << "element " << i;
}

// r45 x rt^-1 with rt^-1 = [[0, 0, 1], [-1, 0, 0], [0, -1, 0]], built here from its rows.
void r45rt1(double M[9]) {
    const double rt1[9] = {0, 0, 1, -1, 0, 0, 0, -1, 0};
    double r45[9];
    fillRotationMatrixAlongY(kPi / 4, r45);
    rmatrixMutiply(r45, rt1, M);
}

}  // namespace

TEST(CameraModels, ReferenceAlphas) {
    EXPECT_NEAR(calculateLowPassAlpha(0.1, 1.0 / 30), 0.020514300518580577, 1e-15);
    EXPECT_NEAR(calculateLowPassAlpha(1, 1.0 / 30), 0.17317071954915414, 1e-15);
}

TEST(CameraModels, FrontFilterTable) {
    struct Case {
        const char* what;
        double stored, raw, alpha, expected;
    };
    const Case cases[] = {
        {"alpha 1 follows", 0.5, 1.2, 1, 1.2},
        {"alpha 0 stays", 0.5, 1.2, 0, 0.5},
        {"first call takes raw", kNoFront, -2.0, 0.1, -2.0},
        {"above 360 is none", 361, 0.3, 0, 0.3},
        {"plain step", 0.0, 1.0, 0.25, 0.25},
        {"short way up across pi", 3.1, -3.1, 0.25, 3.1 + 0.25 * (2 * kPi - 6.2)},
        {"short way down across pi", -3.1, 3.1, 0.25, -3.1 - 0.25 * (2 * kPi - 6.2)},
        {"result wraps", 3.1, -3.0, 0.9, 3.1 + 0.9 * (2 * kPi - 6.1) - 2 * kPi}};
    for (const Case& c : cases) {
        double front = c.stored;
        EXPECT_NEAR(filterFront(c.raw, &front, c.alpha), c.expected, 1e-12) << c.what;
        EXPECT_NEAR(front, c.expected, 1e-12) << c.what;
    }
}

TEST(CameraModels, RawFrontOfTheIdentity) {
    // R(1)^-1 x rt = rt: d1 = 0, d2 = -1.
    const double identity[4] = {1, 0, 0, 0};
    EXPECT_NEAR(getVintaro360RawFront(identity), -kPi / 2, 1e-12);
    EXPECT_NEAR(getUqoLensRawFront(identity), -kPi / 2, 1e-12);
}

TEST(CameraModels, FilteredPathEqualsFrontPathOnFirstCall) {
    for (const Quaternion& q : randomUnitQuaternions(20)) {
        Vintaro360FrontParameters* p = allocVintaro360FrontParameters();
        double filtered[9], withFront[9];
        fillVintaro360RMByAttitude(q.data(), filtered, p, 0.3);
        EXPECT_NEAR(p->front, getVintaro360RawFront(q.data()), 1e-12);
        fillVintaro360RMByAttitudeWithFront(q.data(), withFront, getVintaro360RawFront(q.data()));
        expectMatrix(filtered, withFront);

        // A second call with alpha 0 keeps the first front.
        const Quaternion other = randomUnitQuaternions(1)[0];
        fillVintaro360RMByAttitude(other.data(), filtered, p, 0);
        fillVintaro360RMByAttitudeWithFront(other.data(), withFront, p->front);
        expectMatrix(filtered, withFront);
        EXPECT_NEAR(p->front, getVintaro360RawFront(q.data()), 1e-12);
        freeVintaro360FrontParameters(p);
    }
}

TEST(CameraModels, SensorQuaternionMatchesTheFixedFrames) {
    double frame[9];
    r45rt1(frame);
    for (const Quaternion& q : randomUnitQuaternions(5)) {
        double out[4], fromQ[9], expected[9], Rq[9];
        getVintaro360QFromSensorQ(q.data(), out);
        fillRotationMatrixByQuaternion(out, fromQ);
        fillVintaro360RMByAttitudeWithFront(q.data(), expected, 0.0);
        expectMatrix(fromQ, expected);
        fillRotationMatrixByQuaternion(q.data(), Rq);
        rmatrixMutiply(frame, Rq, expected);
        expectMatrix(fromQ, expected);
    }
}

// The lens family's sensor quaternion turns into the camera frame r90 x rt^-1 (rt^-1 written
// out here), as its front path does with the front at 0.
TEST(CameraModels, LensSensorQuaternionMatchesTheFixedFrames) {
    const double rt1[9] = {0, 0, 1, -1, 0, 0, 0, -1, 0};
    double r90[9], frame[9];
    fillRotationMatrixAlongY(kPi / 2, r90);
    rmatrixMutiply(r90, rt1, frame);
    for (const Quaternion& q : randomUnitQuaternions(5)) {
        double out[4], fromQ[9], Rq[9], expected[9], front0[9];
        getUQOLensQFromSensorQ(q.data(), out);
        EXPECT_NEAR(out[0] * out[0] + out[1] * out[1] + out[2] * out[2] + out[3] * out[3], 1,
                    1e-12);
        fillRotationMatrixByQuaternion(out, fromQ);
        fillRotationMatrixByQuaternion(q.data(), Rq);
        rmatrixMutiply(frame, Rq, expected);
        expectMatrix(fromQ, expected);
        fillUqoLensRMByAttitudeWithFront(q.data(), front0, 0.0);
        expectMatrix(fromQ, front0);
    }
}

TEST(CameraModels, FloatFormsAndInternalParameters) {
    const Quaternion q = randomUnitQuaternions(1)[0];
    double Rd[9];
    float Rf[9];
    resetVintaro360FrontParameters();
    fillVintaro360RMByAttitude(q.data(), Rd, 0.5);
    resetVintaro360FrontParameters();
    fillVintaro360RMByAttitude(q.data(), Rf, 0.5);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(Rf[i], static_cast<float>(Rd[i]));

    double world[9], Rq[9], Rz[9], expected[9];
    fillWorldToCameraRMWithFront(q.data(), world, 0.4);
    fillRotationMatrixByQuaternion(q.data(), Rq);
    fillRotationMatrixAlongZ(-0.4, Rz);
    rmatrixMutiply(Rq, Rz, expected);
    expectMatrix(world, expected);
}

TEST(CameraModels, LensFamilyNegatesZAndFollowsAlphaOne) {
    Quaternion q = randomUnitQuaternions(1)[0];
    const Quaternion original = q;
    UqoLensFrontParameters* p = allocUqoLensFrontParameters(true);
    double R[9];
    fillUqoLensRMByAttitude(q.data(), R, p, 1);
    EXPECT_EQ(q[3], -original[3]);
    EXPECT_NEAR(p->front, getUqoLensRawFront(q.data()), 1e-12);
    // With the front at 0 the lens rotation is r90 x (R(q)^-1 x rt)^-1 = r90 x rt^-1 x R(q).
    double front0[9], Rq[9], r90[9], expected[9];
    const double rt1[9] = {0, 0, 1, -1, 0, 0, 0, -1, 0};
    fillUqoLensRMByAttitudeWithFront(original.data(), front0, 123.0);
    fillRotationMatrixByQuaternion(original.data(), Rq);
    fillRotationMatrixAlongY(kPi / 2, r90);
    rmatrixMutiply(r90, rt1, expected);
    rmatrixMutiply(expected, Rq, expected);
    expectMatrix(front0, expected);
    resetUqoLensFrontParameters(p);
    EXPECT_EQ(p->front, kNoFront);
    EXPECT_FALSE(p->useFirstFrame);
    freeUqoLensFrontParameters(p);
}

TEST(CameraModels, EyeV1File) {
    const Quaternion a = {1, 0, 0, 0}, b = {0.6, 0.8, 0, 0};
    List<QuaternionAttitude> list;
    int offset = 99;
    double rate = 0;
    std::string bytes = eyeV1(3, 67, -120, {a, b}) + "tail";  // a short record is dropped
    ASSERT_EQ(parseVintaro360EyeFile(writeFile("v1.eye", bytes).c_str(), list, &offset, &rate), 0);
    EXPECT_EQ(offset, -120);
    EXPECT_DOUBLE_EQ(rate, 200.0 / 3);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_NEAR(list[1].w, 0.6, 1e-9);
    EXPECT_NEAR(list[1].x, -0.8, 1e-9);

    struct Case {
        std::string bytes;
        int result;
        double rate;
    };
    const Case cases[] = {{eyeV1(0, 50, 0, {a}), 0, 50},
                          {eyeV1(2, 30, 0, {a}).substr(0, 7), -8, 30},
                          {le16(1) + le16(0), -8, -1},
                          {eyeV1(0, 0, 0, {a, b}), -1, 0}};
    for (const Case& c : cases) {
        rate = -1;
        const int result =
            parseVintaro360EyeFile(writeFile("c.eye", c.bytes).c_str(), list, &offset, &rate);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(list.size(), c.result == 0 ? 1u : 0u);
    }
    EXPECT_EQ(parseVintaro360EyeFile("/no/such.eye", list, &offset, &rate), -30);
}

TEST(CameraModels, FileNameTable) {
    struct Case {
        const char* name;
        int result, type, sequence;
    };
    const Case cases[] = {
        {"P_20230102_030405.JPG", 0, 0, 1},       {"LP_20230102_030405.JPG", 0, 1, 1},
        {"V_20230102_030405_017.MP4", 0, 2, 17},  {"LV_20230102_030405.MP4", 0, 3, 1},
        {"TL_20230102_030405.MP4", 0, 4, 1},      {"P_20230102_030405.MP4", -8, 0, 0},
        {"LV_20230102_030405.JPG", -8, 0, 0},     {"V_20230102_030405.MP4", -8, 0, 0},
        {"V_20230102_030405_01.MP4", -8, 0, 0},   {"X_20230102_030405.MP4", -8, 0, 0},
        {"P_19230102_030405.JPG", -8, 0, 0},      {"P_20231302_030405.JPG", -8, 0, 0},
        {"P_20230102_250405.JPG", -8, 0, 0},      {"P_20230102_030405.JPGX", -8, 0, 0},
        {"LV_20230102_030405.MP4.MP4", -8, 0, 0}, {"", -8, 0, 0}};
    TestEnv::setTimeZone("Asia/Tokyo");
    for (const Case& c : cases) {
        Vintaro360SrcMediaInfo info;
        ASSERT_EQ(getVintaro360SrcMediaInfo(c.name, &info), c.result) << c.name;
        if (c.result != 0) continue;
        EXPECT_EQ(info.type, c.type) << c.name;
        EXPECT_EQ(info.sequence, c.sequence) << c.name;
        // 03:04:05 in Tokyo is 18:04:05 UTC of the day before.
        EXPECT_EQ(info.takenTime, TimeUtil::fromYMDHMS(2023, 1, 1, 18, 4, 5, false)) << c.name;
    }
    TestEnv::setTimeZone("");
}

TEST(CameraModels, PeriodStrings) {
    struct Case {
        const char* text;
        int result;
        long long a;
        int tz;
        long long b;
        double c;
    };
    const Case cases[] = {{"P: 1700000000(+09:30) 42", 0, 1700000000, 34200, 42, 0},
                          {"P: 5(-01:15) 7,2500", 0, 5, -4500, 7, 2.5},
                          {"P: 5(-01:15) 7,2500,1,0,0,0,0.5", 0, 5, -4500, 7, 2.5},
                          {"P: 5(01:15) 7", -13, 0, 0, 0, 0},
                          {"P:5(+01:15) 7", -13, 0, 0, 0, 0},
                          {"P: (+01:15) 7", -13, 0, 0, 0, 0},
                          {"P: 5 (+01:15) 7", -13, 0, 0, 0, 0},
                          {"P: 5(+1:15) 7", -13, 0, 0, 0, 0},
                          {"P: 5(+01:15)", -13, 0, 0, 0, 0},
                          {"P: 5(+01:15) 7x", -13, 0, 0, 0, 0},
                          {"", -13, 0, 0, 0, 0}};
    for (const Case& c : cases) {
        long long a = -1, b = -1;
        int tz = -1;
        double cc = -1;
        ASSERT_EQ(parseVintaro360PeriodString(c.text, &a, &tz, &b, &cc), c.result) << c.text;
        if (c.result != 0) continue;
        EXPECT_EQ(a, c.a);
        EXPECT_EQ(tz, c.tz);
        EXPECT_EQ(b, c.b);
        EXPECT_DOUBLE_EQ(cc, c.c);
    }
}

TEST(CameraModels, RotationFromPeriodString) {
    double standard[9], R[9], expected[9];
    fillRotationMatrixAlongY(kPi / 4, standard);
    const double q[4] = {0.6, 0, 0.8, 0};
    fillVintaro360RMByAttitudeWithFront(q, expected, 0.7);
    parseRMFromVT360PeriodString("P: 5(+00:00) 7,100,0.6,0,0.8,0,0.7", R);
    expectMatrix(R, expected);
    for (const char* text : {"P: 5(+00:00) 7,100,0.6,0,0.8,0", "P: 5(+00:00) 7,100,2,0,0,0,0",
                             "P: 5(+00:00) 7", "P: 5(+00:00) 7,100,a,0,0.8,0,0.7"}) {
        parseRMFromVT360PeriodString(text, R);
        expectMatrix(R, standard);
    }
}
