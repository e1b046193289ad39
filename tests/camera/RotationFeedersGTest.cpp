// Rotation feeders without data, from version-1 eye files and from lens camera files.
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ArrayBasedV2RotationFeeder.h"
#include "CameraFixtures.h"
#include "CameraFront.h"
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
std::string turningEyeV1(unsigned rate) {
    std::vector<Quaternion> qs;
    for (int i = 0; i < kSamples; ++i) {
        const double a = 0.01 * i;
        qs.push_back({std::cos(a / 2), -std::sin(a / 2), 0, 0});  // the reader negates x
    }
    return writeFile("turn" + std::to_string(rate) + ".eye", eyeV1(0, rate, 0, qs));
}

// The dash rotation of a turn by `a` about x with the front -pi/2.
void expectedDash(double a, double R[9]) {
    const double q[4] = {std::cos(a / 2), std::sin(a / 2), 0, 0};
    fillVintaro360RMByAttitudeWithFront(q, R, -kPi / 2);
}

void expectStandard(VideoRotationFeeder& feeder, int frame) {
    double R[3][3], S[9];
    feeder.fillRotationData(frame, R);
    fillRotationMatrixAlongY(kPi / 4, S);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(R[i / 3][i % 3], S[i], 1e-12);
}

void expectMatrix(const double R[3][3], const double* E, double tol = 1e-9) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(R[i / 3][i % 3], E[i], tol) << "element " << i;
}

struct FrameProbe : VideoRotationFeeder {
    int asked = -1;
    double getDuration() override { return 0; }
    void fillRotationData(int frame, double[3][3]) override { asked = frame; }
    void prepareFilteredRotationData(int, int) override {}
};

}  // namespace

TEST(RotationFeeders, TimeAsksForFramesOfAThirtiethSecond) {
    FrameProbe probe;
    double R[3][3];
    for (int ms : {0, 33, 34, 1000, 100000000}) {
        probe.fillRotationDataByTime(ms, R);
        EXPECT_EQ(probe.asked, static_cast<int>(ms * 30LL / 1000)) << ms;
    }
    double q[4], front;
    EXPECT_FALSE(probe.getRawQuaternion(0, q, &front));
}

TEST(RotationFeeders, NoEyeFeederAnswersTheStandardRotation) {
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

TEST(RotationFeeders, V1MatricesLeadByFiveFrames) {
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

namespace {

// Four threads reading a prepared feeder see what one thread sees.
void expectSameAcrossThreads(VideoRotationFeeder& feeder, int frames) {
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

}  // namespace

TEST(RotationFeeders, V1ReadersAgreeAcrossThreads) {
    V1RotationFeeder feeder(turningEyeV1(kRate).c_str());
    feeder.prepareFilteredRotationData(0, 0);
    expectSameAcrossThreads(feeder, 40);
}

TEST(RotationFeeders, V1WithoutUsableData) {
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

TEST(RotationFeeders, LensFeederFollowsItsSamples) {
    const std::string block = "0,1,0,0,0\n1000,0.87758256,0.47942554,0,0\n";  // 1 rad about x
    const std::string trailer = "UQOLens{" + std::to_string(block.size()) + ",1,2,3,4,5,6,1}";
    const std::string path =
        writeFile("lens.MP4", std::string(64, 'v') + block + headBlock(trailer));
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

TEST(RotationFeeders, LensFeederWithoutSamplesAnswersTheStandardRotation) {
    const std::string path =
        writeFile("lens0.MP4", std::string(64, 'v') + headBlock("UQOLens{0,1,2,3,4,5,6}"));
    UQOLensRotationFeeder feeder(path.c_str());
    EXPECT_EQ(feeder.getParsingResult(), 0);
    EXPECT_EQ(feeder.getDuration(), 0);
    expectStandard(feeder, 3);
    UQOLensRotationFeeder missing("/no/such.MP4");
    EXPECT_EQ(missing.getParsingResult(), -30);
    expectStandard(missing, 3);
}

namespace {

// Version-2 eye data at 50 samples a second, pieces of 10 samples 10 ticks apart; sample i
// turns about x by 0.01 i rad.
std::string turningEyeV2(const std::string& name, int pieceCount, unsigned flags = 0,
                         int offset = 0, unsigned numerator = 50) {
    std::vector<EyePiece> pieces;
    for (int p = 0; p < pieceCount; ++p) {
        EyePiece piece{10 * p, {}};
        for (int i = 0; i < 10; ++i) {
            const double a = 0.01 * (10 * p + i);
            piece.records.push_back({std::cos(a / 2), -std::sin(a / 2), 0, 0});
        }
        pieces.push_back(piece);
    }
    return writeFile(name, eyeV2(flags, numerator, 1, 5, offset, pieces));
}

std::string typeOf(VideoRotationFeeder* f) {
    if (dynamic_cast<NoEyeRotationFeeder*>(f)) return "none";
    if (dynamic_cast<V1RotationFeeder*>(f)) return "v1";
    if (dynamic_cast<ArrayBasedV2RotationFeeder*>(f)) return "v2";
    if (dynamic_cast<UQOLensRotationFeeder*>(f)) return "lens";
    return "?";
}

}  // namespace

TEST(RotationFeeders, FactoryTable) {
    LogCapture& log = LogCapture::install();
    const std::string v3 = writeFile("v3.eye", le16(3) + le16(0));
    const std::string oneByte = writeFile("one.eye", "\x01");
    const std::string lens =
        writeFile("f_lens.MP4", std::string(64, 'v') + headBlock("UQOLens{0,1,2,3,4,5,6}"));
    struct Case {
        const char* path;
        std::string type;
        int result;
        std::string message;
    };
    const std::string plainMedia = writeFile("plain.MP4", std::string(600, 'x'));
    const std::string v1 = turningEyeV1(kRate), v2 = turningEyeV2("f_v2.eye", 5);
    const Case cases[] = {
        {nullptr, "none", 1, ""},
        {"", "none", 1, ""},
        {"/no/such.eye", "none", 30, ""},
        {v3.c_str(), "none", 1, "Eye file version 3 not supported, file: " + v3 + "."},
        {oneByte.c_str(), "none", 1, "Very short eye file: " + oneByte + "."},
        {plainMedia.c_str(), "v2", -7, ""},
        {"/no/such.MP4", "v2", -30, ""},
        {lens.c_str(), "lens", 0, ""},
        {v1.c_str(), "v1", 0, ""},
        {v2.c_str(), "v2", 0, ""}};
    for (const Case& c : cases) {
        log.clear();
        std::unique_ptr<VideoRotationFeeder> f(VideoRotationFeeder::newVRFeeder(c.path, true));
        const std::string what = c.path ? c.path : "(null)";
        ASSERT_TRUE(f) << what;
        EXPECT_EQ(typeOf(f.get()), c.type) << what;
        EXPECT_EQ(f->getParsingResult(), c.result) << what;
        if (!c.message.empty()) {
            EXPECT_EQ(log.count("VideoRF", c.message), 1) << what;
        }
        if (c.result < 0 || c.type == "none") {
            f->prepareFilteredRotationData(0, 0);
            expectStandard(*f, 4);
        }
    }
    log.clear();
    ArrayBasedV2RotationFeeder attached(plainMedia.c_str(), true);
    EXPECT_EQ(log.count("ABV2RF", "Cannot get post attachment for eye data, " + plainMedia + "!"),
              1);
}

TEST(RotationFeeders, V2SinglePieceFallsBackToV1) {
    ArrayBasedV2RotationFeeder feeder(turningEyeV2("single.eye", 1).c_str(), true);
    EXPECT_EQ(feeder.getParsingResult(), 40000001);
    EXPECT_NEAR(feeder.getDuration(), 10.0 / 50 - 1.0 / 6, 1e-6);
    feeder.prepareFilteredRotationData(0, 0);
    double R[3][3], E[9];
    feeder.fillRotationData(0, R);
    // The V1 path shows frame 5 (0.1667 s) at alpha 1 Hz; the front stays, so no smoothing shows.
    expectedDash(0.01 * 5 / 30.0 * 50, E);
    expectMatrix(R, E, 1e-6);
}

TEST(RotationFeeders, V2BadQuaternionDropsTheRest) {
    LogCapture& log = LogCapture::install();
    std::vector<EyePiece> pieces;
    for (int p = 0; p < 5; ++p)
        pieces.push_back({10 * p, std::vector<Quaternion>(10, {1, 0, 0, 0})});
    pieces[3].records[0] = {0.5, 0, 0, 0};
    const std::string path = writeFile("badq.eye", eyeV2(0, 50, 1, 0, 0, pieces));
    ArrayBasedV2RotationFeeder feeder(path.c_str(), true);
    EXPECT_EQ(feeder.getParsingResult(), 40000001);
    // Header 12 bytes, three pieces of 8 + 160 bytes, then the total of the fourth.
    EXPECT_EQ(log.count("ABV2RF",
                        "Illegal quaternion at 0x0000020C, drop this and all following "
                        "data pieces, " +
                            path + "!"),
              1);
    // Pieces 0-2 remain: the merged first (20 samples) and one more; start tick 0.
    EXPECT_NEAR(feeder.getDuration(), (0.6 - 0.01) - 0.25333333, 1e-5);
}

TEST(RotationFeeders, V2StartShiftAndDuration) {
    struct Case {
        unsigned flags;
        int offset;
        double shift;
    };
    // Default 0.25333333 s, or the header offset; less 0.02 s x start tick 5.
    const Case cases[] = {{0, 0, 0.25333333 - 0.1}, {2, 0, 0.25333333 - 0.1}, {2, 300, 0.3 - 0.1}};
    for (const Case& c : cases) {
        ArrayBasedV2RotationFeeder feeder(turningEyeV2("shift.eye", 5, c.flags, c.offset).c_str(),
                                          true);
        EXPECT_EQ(feeder.getParsingResult(), 0);
        // Last piece: 0.02 x 40 + 0.2 (merged first piece correction) - 0.01 (rebase).
        EXPECT_NEAR(feeder.getDuration(), 0.99 - c.shift, 1e-5) << c.flags << " " << c.offset;
    }
    ArrayBasedV2RotationFeeder zeroRate(turningEyeV2("zero.eye", 5, 0, 0, 0).c_str(), true);
    EXPECT_EQ(zeroRate.getParsingResult(), -1);
    zeroRate.prepareFilteredRotationData(0, 0);
    expectStandard(zeroRate, 3);
}

TEST(RotationFeeders, V2PreparesAgainForAnEarlierRange) {
    const std::string path = turningEyeV2("again.eye", 8);
    ArrayBasedV2RotationFeeder fresh(path.c_str(), false), used(path.c_str(), false);
    fresh.prepareFilteredRotationData(0, 10);
    used.prepareFilteredRotationData(20, 10);
    used.prepareFilteredRotationData(0, 10);
    double A[3][3], B[3][3];
    for (int f = 0; f < 10; ++f) {
        fresh.fillRotationData(f, A);
        used.fillRotationData(f, B);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(A[i / 3][i % 3], B[i / 3][i % 3]) << f;
    }
    // The smoothed front of a turn about x stays at -pi/2: the prepared rotation is the turn.
    double q[4], front;
    ArrayBasedV2RotationFeeder raw(path.c_str(), false);
    ASSERT_TRUE(raw.getRawQuaternion(0, q, &front));
    EXPECT_NEAR(front, -kPi / 2, 1e-5);
    EXPECT_FALSE(raw.getRawQuaternion(100000, q, &front));
}

TEST(RotationFeeders, V2ReadersAgreeAcrossThreads) {
    ArrayBasedV2RotationFeeder feeder(turningEyeV2("threads.eye", 8).c_str(), false);
    feeder.prepareFilteredRotationData(0, 0);
    expectSameAcrossThreads(feeder, 60);
}

namespace {

constexpr int kTurnSamples = 600;  // 60 pieces of 10 at 50 Hz: sample j sits at j / 50 s

double wrapAngle(double a) {
    while (a > kPi) a -= 2 * kPi;
    while (a < -kPi) a += 2 * kPi;
    return a;
}

// Heading about z: 3.9 rad, then a turn by 1.6 rad over samples 200-400, so the front of the
// dash camera (-pi/2 + heading) crosses +-pi.
double turnHeading(int j) {
    const double turned = std::min(1.0, std::max(0.0, (j - 200) / 200.0));
    return 3.9 + 1.6 * turned;
}

std::string yawTurnEye() {
    std::vector<EyePiece> pieces;
    for (int p = 0; p < kTurnSamples / 10; ++p) {
        EyePiece piece{10 * p, {}};
        for (int i = 0; i < 10; ++i) {
            const double a = turnHeading(10 * p + i);
            piece.records.push_back({std::cos(a / 2), 0, 0, -std::sin(a / 2)});
        }
        pieces.push_back(piece);
    }
    // Offset 20 ms at start tick 1: no start shift.
    return writeFile("yawturn.eye", eyeV2(2, 50, 1, 1, 20, pieces));
}

// Normalised mean of the samples j-2..j+2 (clipped).
std::vector<Quaternion> averagedTurn() {
    std::vector<Quaternion> out(kTurnSamples);
    for (int i = 0; i < kTurnSamples; ++i) {
        Quaternion s{0, 0, 0, 0};
        for (int j = std::max(0, i - 2); j <= std::min(kTurnSamples - 1, i + 2); ++j) {
            const double a = turnHeading(j);
            s[0] += std::cos(a / 2);
            s[3] += std::sin(a / 2);
        }
        const double len = std::hypot(s[0], s[3]);
        out[i] = {s[0] / len, 0, 0, s[3] / len};
    }
    return out;
}

// Own front plus the mean unwrapped difference to the fronts within +-200 samples (4 s).
std::vector<double> smoothedFronts(const std::vector<Quaternion>& qs) {
    std::vector<double> raw(qs.size());
    for (size_t i = 0; i < qs.size(); ++i)
        raw[i] = wrapAngle(-kPi / 2 + 2 * std::atan2(qs[i][3], qs[i][0]));
    const int n = static_cast<int>(qs.size()), w = 200;
    std::vector<double> out(qs.size());
    for (int i = 0; i < n; ++i) {
        double sum = 0, diff = 0;
        for (int j = i + 1; j <= std::min(n - 1, i + w); ++j)
            sum += diff += wrapAngle(raw[j] - raw[j - 1]);
        diff = 0;
        for (int j = i - 1; j >= std::max(0, i - w); --j)
            sum += diff += wrapAngle(raw[j] - raw[j + 1]);
        const int count = std::min(n - 1, i + w) - std::max(0, i - w) + 1;
        out[i] = raw[i] + sum / count;
    }
    return out;
}

}  // namespace

TEST(RotationFeeders, V2AveragesAttitudesAndSmoothsTheFrontOfATurn) {
    const std::string path = yawTurnEye();
    const std::vector<Quaternion> avg = averagedTurn();
    const std::vector<double> front = smoothedFronts(avg);
    ArrayBasedV2RotationFeeder raw(path.c_str(), false), prepared(path.c_str(), false);
    ASSERT_EQ(raw.getParsingResult(), 0);
    prepared.prepareFilteredRotationData(0, 0);
    // Frame 3k is at 0.1 k s, sample 5k; the first and last cover the clipped windows (the
    // prepared frames end at 11 s x 30).
    for (int k : {0, 1, 20, 30, 40, 60, 70, 80, 100, 109}) {
        const int j = 5 * k;
        double q[4], f, R[3][3], E[9];
        ASSERT_TRUE(raw.getRawQuaternion(3 * k, q, &f)) << k;
        const double sign = q[0] * avg[j][0] + q[3] * avg[j][3] < 0 ? -1 : 1;
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(sign * q[c], avg[j][c], 1e-5) << j << " " << c;
        EXPECT_NEAR(wrapAngle(f - front[j]), 0, 1e-4) << j;
        prepared.fillRotationData(3 * k, R);
        fillVintaro360RMByAttitudeWithFront(avg[j].data(), E, front[j]);
        expectMatrix(R, E, 1e-4);
    }
    // Before the turn the window already sees part of it: the smoothing shows.
    EXPECT_GT(std::abs(wrapAngle(front[150] - (-kPi / 2 + 3.9))), 0.05);
}
