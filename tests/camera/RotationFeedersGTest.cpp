// Rotation feeders without data, from version-1 eye files and from lens camera files.
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CameraFixtures.h"
#include "LogCapture.h"
#include "NoEyeRotationFeeder.h"
#include "RotationGeometry.h"
#include "UQOLensRotationFeeder.h"
#include "UqoLensCamera.h"
#include "V1RotationFeeder.h"
#include "Vintaro360Camera.h"

using namespace CameraFixtures;

namespace {

const double kPi = std::acos(-1.0);
constexpr int kRate = 50;
constexpr int kSamples = 60;

// Sample i turns about x by 0.01 i rad; the front stays at -pi/2 all along.
std::string turningEyeV1(unsigned rate)
{
    std::vector<Quaternion> qs;
    for (int i = 0; i < kSamples; ++i) {
        const double a = 0.01 * i;
        qs.push_back({std::cos(a / 2), -std::sin(a / 2), 0, 0});  // the reader negates x
    }
    return writeFile("turn" + std::to_string(rate) + ".eye", eyeV1(0, rate, 0, qs));
}

// The dash rotation of a turn by `a` about x with the front -pi/2.
void expectedDash(double a, double R[9])
{
    const double q[4] = {std::cos(a / 2), std::sin(a / 2), 0, 0};
    fillVintaro360RMByAttitudeWithFront(q, R, -kPi / 2);
}

void expectStandard(VideoRotationFeeder& feeder, int frame)
{
    double R[3][3], S[9];
    feeder.fillRotationData(frame, R);
    fillRotationMatrixAlongY(kPi / 4, S);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(R[i / 3][i % 3], S[i], 1e-12);
}

void expectMatrix(const double R[3][3], const double* E, double tol = 1e-9)
{
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(R[i / 3][i % 3], E[i], tol) << "element " << i;
}

struct FrameProbe : VideoRotationFeeder {
    int asked = -1;
    double getDuration() override { return 0; }
    void fillRotationData(int frame, double[3][3]) override { asked = frame; }
    void prepareFilteredRotationData(int, int) override {}
};

}  // namespace

TEST(RotationFeeders, TimeAsksForFramesOfAThirtiethSecond)
{
    FrameProbe probe;
    double R[3][3];
    for (int ms : {0, 33, 34, 1000, 100000000}) {
        probe.fillRotationDataByTime(ms, R);
        EXPECT_EQ(probe.asked, static_cast<int>(ms * 30LL / 1000)) << ms;
    }
    double q[4], front;
    EXPECT_FALSE(probe.getRawQuaternion(0, q, &front));
}

TEST(RotationFeeders, NoEyeFeederAnswersTheStandardRotation)
{
    NoEyeRotationFeeder feeder(30);
    EXPECT_EQ(feeder.getParsingResult(), 30);
    EXPECT_EQ(feeder.getDuration(), 0);
    feeder.prepareFilteredRotationData(0, 10);
    expectStandard(feeder, 7);
    double q[4];
    VideoRotationFeeder::fillStandardQuaternion(q);
    EXPECT_NEAR(q[0], std::cos(kPi / 8), 1e-12);
    EXPECT_NEAR(q[2], std::sin(kPi / 8), 1e-12);
}

TEST(RotationFeeders, V1MatricesLeadByFiveFrames)
{
    LogCapture& log = LogCapture::install();
    V1RotationFeeder feeder(turningEyeV1(kRate).c_str());
    ASSERT_EQ(feeder.getParsingResult(), 0);
    EXPECT_NEAR(feeder.getDuration(), double(kSamples) / kRate - 1.0 / 6, 1e-12);
    expectStandard(feeder, 0);  // nothing prepared yet

    const int first = 3;
    feeder.prepareFilteredRotationData(first, 0);
    double R[3][3], E[9];
    for (int k = 0; k < 20; ++k) {
        feeder.fillRotationData(first + k, R);
        expectedDash(0.01 * (first + k + 5) / 30.0 * kRate, E);
        expectMatrix(R, E);
    }
    feeder.fillRotationData(0, R);  // before the first prepared frame: matrix 0
    expectedDash(0.01 * (first + 5) / 30.0 * kRate, E);
    expectMatrix(R, E);

    // Past the data: the last sample's matrix, with one warning.
    log.clear();
    expectedDash(0.01 * (kSamples - 1), E);
    for (int frame : {1000, 2000}) {
        feeder.fillRotationData(frame, R);
        expectMatrix(R, E);
    }
    EXPECT_EQ(log.count("V1RF", "Short rotation matrix data from eye file."), 1);
}

TEST(RotationFeeders, V1ReadersAgreeAcrossThreads)
{
    V1RotationFeeder feeder(turningEyeV1(kRate).c_str());
    feeder.prepareFilteredRotationData(0, 0);
    const int frames = 40;
    std::vector<double> single(frames * 9);
    for (int f = 0; f < frames; ++f)
        feeder.fillRotationData(f, reinterpret_cast<double(*)[3]>(&single[f * 9]));
    std::vector<std::vector<double>> results(4, std::vector<double>(frames * 9));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int f = frames - 1; f >= 0; --f)
                feeder.fillRotationData(f, reinterpret_cast<double(*)[3]>(&results[t][f * 9]));
        });
    }
    for (std::thread& t : threads) t.join();
    for (const std::vector<double>& r : results) EXPECT_EQ(r, single);
}

TEST(RotationFeeders, V1WithoutUsableData)
{
    struct Case {
        std::string path;
        int result;
    };
    const Case cases[] = {{turningEyeV1(0), -1},
                          {writeFile("short.eye", le16(1) + le16(0)), -1},
                          {"/no/such.eye", -30}};
    for (const Case& c : cases) {
        V1RotationFeeder feeder(c.path.c_str());
        EXPECT_EQ(feeder.getParsingResult(), c.result) << c.path;
        feeder.prepareFilteredRotationData(0, 0);
        EXPECT_EQ(feeder.getDuration(), 0);
        expectStandard(feeder, 5);
    }
}

TEST(RotationFeeders, LensFeederFollowsItsSamples)
{
    const std::string block = "0,1,0,0,0\n1000,0.87758256,0.47942554,0,0\n";  // 1 rad about x
    const std::string trailer = "UQOLens{" + std::to_string(block.size()) + ",1,2,3,4,5,6,1}";
    const std::string path = writeFile("lens.MP4", std::string(64, 'v') + block + headBlock(trailer));
    UQOLensRotationFeeder feeder(path.c_str());
    ASSERT_EQ(feeder.getParsingResult(), 0);
    EXPECT_DOUBLE_EQ(feeder.getDuration(), 1.0);
    double R[3][3], E[9];
    for (int ms : {0, 250, 500, 2000}) {
        const double a = std::min(ms, 1000) / 1000.0;
        double q[4] = {std::cos(a / 2), std::sin(a / 2), 0, 0};
        UqoLensFrontParameters* p = allocUqoLensFrontParameters(true);
        fillUqoLensRMByAttitude(q, E, p, 1);
        freeUqoLensFrontParameters(p);
        feeder.fillRotationDataByTime(ms, R);
        expectMatrix(R, E, 1e-6);
    }
    feeder.fillRotationData(15, R);  // frame 15 is 500 ms
    const double a = 0.5;
    double q[4] = {std::cos(a / 2), std::sin(a / 2), 0, 0};
    UqoLensFrontParameters* p = allocUqoLensFrontParameters(true);
    fillUqoLensRMByAttitude(q, E, p, 1);
    freeUqoLensFrontParameters(p);
    expectMatrix(R, E, 1e-6);
}

TEST(RotationFeeders, LensFeederWithoutSamplesAnswersTheStandardRotation)
{
    const std::string path = writeFile("lens0.MP4", std::string(64, 'v') +
                                                        headBlock("UQOLens{0,1,2,3,4,5,6}"));
    UQOLensRotationFeeder feeder(path.c_str());
    EXPECT_EQ(feeder.getParsingResult(), 0);
    EXPECT_EQ(feeder.getDuration(), 0);
    expectStandard(feeder, 3);
    UQOLensRotationFeeder missing("/no/such.MP4");
    EXPECT_EQ(missing.getParsingResult(), -30);
    expectStandard(missing, 3);
}
