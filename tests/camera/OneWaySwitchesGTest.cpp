// Process-wide switches that cannot be turned back: the engineering eye-media offset and the
// hand-mount sensor frame. Their own test program, so no other test sees them.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArrayBasedV2RotationFeeder.h"
#include "CameraFixtures.h"
#include "CameraFront.h"
#include "LogCapture.h"
#include "LogSystem.h"
#include "RotationGeometry.h"
#include "UqoLensCamera.h"
#include "Vintaro360Camera.h"

using namespace CameraFixtures;

namespace {

const double kPi = std::acos(-1.0);

// Still attitude (identity) at 50 Hz: pieces of 10 samples 10 ticks apart from start tick 5,
// with a header offset of 40 ms.
std::string stillEye(const std::string& name) {
    std::vector<EyePiece> pieces;
    for (int p = 0; p < 10; ++p)
        pieces.push_back({10 * p, std::vector<Quaternion>(10, {1, 0, 0, 0})});
    return writeFile(name, eyeV2(2, 50, 1, 5, 40, pieces));
}

void expectMatrix(const double* A, const double* B, double tol = 1e-12) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(A[i], B[i], tol) << "element " << i;
}

}  // namespace

// The engineering offset replaces the header's offset in the start shift (less 0.02 s a tick).
TEST(OneWaySwitches, EngineeringEyeMediaOffset) {
    LogCapture& log = LogCapture::install();
    const std::string path = stillEye("engineering.eye");
    const double fromHeader = ArrayBasedV2RotationFeeder(path.c_str(), false).getDuration();
    EXPECT_FALSE(VideoRotationFeeder::isByEngineeringEyeMediaOffset());

    VideoRotationFeeder::setEngineeringEyeMediaOffsetInMS(300);
    EXPECT_TRUE(VideoRotationFeeder::isByEngineeringEyeMediaOffset());
    EXPECT_EQ(VideoRotationFeeder::getEngineeringEyeMediaOffsetInMS(), 300);
    LogSystem::getSysLogSystem()->setLogLevel(LogLevel::DBG);
    log.clear();
    ArrayBasedV2RotationFeeder feeder(path.c_str(), true);
    EXPECT_EQ(feeder.getParsingResult(), 0);
    // Start shift 0.04 - 0.1 from the header, 0.3 - 0.1 by the engineering offset.
    EXPECT_NEAR(fromHeader - feeder.getDuration(), 0.3 - 0.04, 1e-5);
    EXPECT_EQ(log.count("ABV2RF", "The startTick of " + path + " is 5."), 1);
}

// The hand-mount frame replaces the dash family's sensor-to-camera frame in the filtered path
// and the raw front; the front path (rt^-1) and the lens family stay as they were.
TEST(OneWaySwitches, HandMountSensor) {
    const std::string path = stillEye("hand.eye");
    const double identity[4] = {1, 0, 0, 0};
    double q[4], front, withFrontBefore[9];
    fillVintaro360RMByAttitudeWithFront(identity, withFrontBefore, 0.3);
    ASSERT_TRUE(ArrayBasedV2RotationFeeder(path.c_str(), false).getRawQuaternion(10, q, &front));
    EXPECT_NEAR(front, -kPi / 2, 1e-6);

    useHandMountVintaro360AttitudeSensor();
    // M = R(1)^-1 x hand = hand: d1 = 1 - 0, d2 = 1 - 0, the front atan2(1, 1).
    EXPECT_NEAR(getVintaro360RawFront(identity), kPi / 4, 1e-12);
    EXPECT_NEAR(getUqoLensRawFront(identity), -kPi / 2, 1e-12);
    ASSERT_TRUE(ArrayBasedV2RotationFeeder(path.c_str(), false).getRawQuaternion(10, q, &front));
    EXPECT_NEAR(front, kPi / 4, 1e-6);

    // Filtered rotation of a quarter turn about x: r45 x (Rz(c) x R(q)^-1 x hand)^-1.
    const double hand[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    const double turn[4] = {std::sqrt(0.5), std::sqrt(0.5), 0, 0};
    double Rq[9], Rqi[9], M[9], Rz[9], ZM[9], ZMi[9], r45[9], expected[9], R[9];
    fillRotationMatrixByQuaternion(turn, Rq);
    rmatrixInverse(Rq, Rqi);
    rmatrixMutiply(Rqi, hand, M);
    const double c = getVintaro360RawFront(turn);
    EXPECT_NEAR(c, std::atan2(M[5] - M[3], M[0] - M[2]), 1e-12);
    fillRotationMatrixAlongZ(c, Rz);
    rmatrixMutiply(Rz, M, ZM);
    rmatrixInverse(ZM, ZMi);
    fillRotationMatrixAlongY(kPi / 4, r45);
    rmatrixMutiply(r45, ZMi, expected);
    Vintaro360FrontParameters* params = allocVintaro360FrontParameters();
    fillVintaro360RMByAttitude(turn, R, params, 0.5);
    freeVintaro360FrontParameters(params);
    expectMatrix(R, expected);

    double withFrontAfter[9];
    fillVintaro360RMByAttitudeWithFront(identity, withFrontAfter, 0.3);
    expectMatrix(withFrontAfter, withFrontBefore);
}
