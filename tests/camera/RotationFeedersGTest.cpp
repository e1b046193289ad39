// Rotation feeders without data, from eye files of both versions (separate or attached to a
// media file) and from lens camera files, with the process-wide switches.
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
#include "ResultCode.h"
#include "RotationGeometry.h"
#include "TestEnv.h"
#include "UQOLensRotationFeeder.h"
#include "UQOPostAttachment.h"
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

namespace {

constexpr int kNominal = 10;  // samples a piece at 50 Hz, pieces 0.2 s apart

// Version-2 eye data at `numerator` samples a second without start shift (offset 20 ms at
// start tick 1): piece k has tick 10 k and counts[k] samples; sample j turns about x by 0.01 j.
std::string unevenEyeBytes(const std::vector<int>& counts, unsigned flags = 2,
                           unsigned numerator = 50) {
    std::vector<EyePiece> pieces;
    int j = 0;
    for (size_t k = 0; k < counts.size(); ++k) {
        EyePiece piece{static_cast<int>(10 * k), {}};
        for (int i = 0; i < counts[k]; ++i, ++j)
            piece.records.push_back({std::cos(0.005 * j), -std::sin(0.005 * j), 0, 0});
        pieces.push_back(piece);
    }
    return eyeV2(flags | 2, numerator, 1, 1, 20, pieces);
}

std::string unevenEye(const std::string& name, const std::vector<int>& counts, unsigned flags = 2,
                      unsigned numerator = 50) {
    return writeFile(name, unevenEyeBytes(counts, flags, numerator));
}

// The turn about x of a quaternion (w, x, 0, 0).
double turnOf(const double q[4]) { return 2 * std::atan2(q[1], q[0]); }

// The turn of sample j of unevenEye after the moving average over j-2..j+2 (up to `last`).
double averagedTurnAt(int j, int last) {
    double w = 0, x = 0;
    for (int i = std::max(0, j - 2); i <= std::min(last, j + 2); ++i) {
        w += std::cos(0.005 * i);
        x += std::sin(0.005 * i);
    }
    return 2 * std::atan2(x, w);
}

std::vector<std::string> linesOf(LogCapture& log, const std::string& tag) {
    std::vector<std::string> out;
    for (const LogCapture::Line& l : log.lines())
        if (l.tag == tag) out.push_back(l.text);
    return out;
}

}  // namespace

// Pieces of uneven size: where the timing is taken, the rebase on the second piece, the
// correction of later pieces that differ from the nominal count by more than one, and the
// strange-piece warnings (the first of them only for records without extra data).
TEST(RotationFeeders, V2UnevenPiecesTable) {
    LogCapture& log = LogCapture::install();
    struct Case {
        const char* what;
        std::vector<int> counts;
        unsigned flags, numerator;
        double duration;
        int result;
        std::vector<std::string> lines;  // "%s" stands for the path
    };
    const std::string strange = "%s is with strange data piece.";
    const Case cases[] = {
        // Pieces 0 and 1 merge into a first piece of 20 samples ending at 19.5 / 50 s.
        {"all nominal", {10, 10, 10, 10, 10}, 2, 50, 0.99, 0, {}},
        {"second piece one more: first ends at 20 / 50 s", {10, 10, 11, 10, 10}, 2, 50, 1.0, 0, {}},
        {"second piece one less: first ends at 19 / 50 s", {10, 10, 9, 10, 10}, 2, 50, 0.98, 0, {}},
        {"a later piece of 13 shifts the rest by 0.06 s",
         {10, 10, 10, 13, 10},
         2,
         50,
         1.05,
         ResultCode::kRecoverable,
         {strange, "Strange data piece, endTime: 0.850000, 13 samples"}},
        {"a later piece of 12 (two off) shifts the rest by 0.04 s",
         {10, 10, 10, 12, 10},
         2,
         50,
         1.03,
         ResultCode::kRecoverable,
         {strange, "Strange data piece, endTime: 0.830000, 12 samples"}},
        {"a later piece of 7 shifts the rest by -0.06 s",
         {10, 10, 10, 7, 10},
         2,
         50,
         0.93,
         ResultCode::kRecoverable,
         {strange, "Strange data piece, endTime: 0.730000, 7 samples"}},
        {"records with extra data warn once",
         {10, 10, 10, 13, 10},
         3,
         50,
         1.05,
         ResultCode::kRecoverable,
         {"Strange data piece, endTime: 0.850000, 13 samples"}},
        // Half a second (25 samples) is first reached at piece 4: pieces 0-3 merge (tick 30).
        {"timing from a later piece", {5, 5, 5, 5, 10, 10, 10}, 2, 50, 0.99, 0, {}},
        // Nominal (int)(0.2 x 48 + 0.5) = 10: the first piece ends at 19.5 / 48 s, the last
        // 0.6 s after it.
        {"nominal rounded", {10, 10, 10, 10, 10}, 2, 48, 19.5 / 48 + 0.6, 0, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const std::string path =
            unevenEye("uneven" + std::to_string(n++) + ".eye", c.counts, c.flags, c.numerator);
        ArrayBasedV2RotationFeeder feeder(path.c_str(), true);
        EXPECT_EQ(feeder.getParsingResult(), c.result);
        EXPECT_NEAR(feeder.getDuration(), c.duration, 1e-5);
        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            const size_t at = line.find("%s");
            if (at != std::string::npos) line.replace(at, 2, path);
            expected.push_back(line);
        }
        EXPECT_EQ(linesOf(log, "ABV2RF"), expected);
    }
}

// A piece total that cannot be read or is not a whole number of records ends the data there;
// an empty piece after the timing is skipped with a warning.
TEST(RotationFeeders, V2BrokenPiecesEndTheData) {
    LogCapture& log = LogCapture::install();
    const std::string three = unevenEyeBytes({10, 10, 10});
    struct Case {
        const char* what;
        std::string bytes;
        double duration;
        int result;
        std::string line;  // "%s" stands for the path
    };
    // Header 16 bytes, three pieces of 8 + 160 bytes, then the fourth piece's tick.
    const Case cases[] = {
        {"total missing", three + le32(30), 0.59, ResultCode::kRecoverable,
         "Cannot read total bytes, treat as file end, %s!"},
        {"total not a whole record", three + le32(30) + le32(20) + std::string(20, '\0'), 0.59,
         ResultCode::kRecoverable, "Illegal total bytes at 0x0000020C, treat as file end, %s!"},
        {"total negative", three + le32(30) + le32(-16), 0.59, ResultCode::kRecoverable,
         "Illegal total bytes at 0x0000020C, treat as file end, %s!"},
        {"empty piece", unevenEyeBytes({10, 10, 10, 0, 10, 10}), 1.19, 0,
         "2th data piece with 0 samples, %s."}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const std::string path = writeFile("broken" + std::to_string(n++) + ".eye", c.bytes);
        ArrayBasedV2RotationFeeder feeder(path.c_str(), true);
        EXPECT_EQ(feeder.getParsingResult(), c.result);
        EXPECT_NEAR(feeder.getDuration(), c.duration, 1e-5);
        std::string line = c.line;
        line.replace(line.find("%s"), 2, path);
        EXPECT_EQ(linesOf(log, "ABV2RF"), std::vector<std::string>{line});
    }
}

// A bad quaternion inside a piece drops that whole piece: the data ends with the last sample
// of the piece before, and the moving average there sees none of the dropped samples.
TEST(RotationFeeders, V2BadQuaternionDropsItsWholePiece) {
    std::string bytes = unevenEyeBytes({10, 10, 10, 10});
    // Record 5 of piece 3: after the 16-byte header, three pieces and the fourth's head.
    bytes.replace(16 + 3 * 168 + 8 + 5 * 16, 4, le32(q30(0.5)));
    ArrayBasedV2RotationFeeder feeder(writeFile("badq5.eye", bytes).c_str(), false);
    EXPECT_EQ(feeder.getParsingResult(), ResultCode::kRecoverable);
    EXPECT_NEAR(feeder.getDuration(), 0.59, 1e-5);
    // Frame 17 is at 0.5667 s; samples 0-29 span 0 .. 0.58 s: sample 28 1/3 of the way to 29.
    double q[4], front;
    ASSERT_TRUE(feeder.getRawQuaternion(17, q, &front));
    const double s28 = averagedTurnAt(28, 29), s29 = averagedTurnAt(29, 29);
    EXPECT_NEAR(turnOf(q), s28 + (17 / 30.0 / 0.02 - 28) * (s29 - s28), 1e-5);
}

namespace {

// The interpolation window over the pieces at 50 Hz: its samples lie evenly spaced between its
// edges, which depend on the edge pieces' counts. sampleAt gives the fractional sample index
// at eye time t; the window only moves forward, as the feeder's does.
struct WindowModel {
    std::vector<double> ends;  // piece end times, s
    std::vector<int> counts;
    size_t first = 0, last = 0;
    long firstSample = 0, lastSample = 0;

    double edge(size_t k) const {
        if (counts[k] == kNominal + 1) return 0;
        return counts[k] == kNominal - 1 ? 1 / 50.0 : 0.5 / 50;
    }

    double sampleAt(double t) {
        while (first + 1 < ends.size() && ends[first] <= std::max(0.0, t - 15))
            firstSample += counts[first++];
        while (last + 1 < ends.size() && ends[last] < std::min(ends.back(), t + 15))
            lastSample += counts[++last];
        const double d = first == 0 ? 0 : ends[first - 1] + edge(first);
        const double e = ends[last] - edge(last);
        const double m = (e - d) / static_cast<double>(lastSample - firstSample);
        return std::min(static_cast<double>(lastSample),
                        std::max<double>(firstSample, firstSample + (t - d) / m));
    }
};

}  // namespace

// A 30 s file whose pieces of one sample more or less than nominal lie at the start or the end
// of the +-15 s window as it moves along: every frame lands where the window edges put it.
TEST(RotationFeeders, V2WindowEdgesFollowThePieceCounts) {
    std::vector<int> counts(150, kNominal);
    for (int k : {40, 100})
        counts[k] = kNominal + 1;  // first window piece near 23 s; last near 5 s
    for (int k : {50, 110}) counts[k] = kNominal - 1;  // the same near 25 s and 7 s
    ArrayBasedV2RotationFeeder feeder(unevenEye("window.eye", counts).c_str(), false);
    ASSERT_EQ(feeder.getParsingResult(), 0);
    // Pieces 0 and 1 merge; piece k >= 2 ends at 0.2 k + 0.19 s (no piece needs a correction).
    WindowModel model;
    model.counts = {20};
    model.ends = {0.39};
    for (size_t k = 2; k < counts.size(); ++k) {
        model.counts.push_back(counts[k]);
        model.ends.push_back(0.2 * k + 0.19);
    }
    model.lastSample = model.counts[0] - 1;
    ASSERT_NEAR(feeder.getDuration(), model.ends.back(), 1e-4);
    const int total = 150 * kNominal;
    int compared = 0;
    for (int frame = 0; frame / 30.0 <= model.ends.back(); ++frame) {
        const double s = model.sampleAt(frame / 30.0);
        double q[4], front;
        ASSERT_TRUE(feeder.getRawQuaternion(frame, q, &front)) << frame;
        if (s < 3 || s > total - 4) continue;  // the moving average is clipped there
        ASSERT_NEAR(wrapAngle(turnOf(q) - 0.01 * s), 0, 2e-5) << "frame " << frame;
        ++compared;
    }
    EXPECT_GT(compared, 850);
}

namespace {

// Everything a feeder answers for the first `frames` frames after preparing them all.
std::vector<double> answers(VideoRotationFeeder& feeder, int frames) {
    std::vector<double> out = {static_cast<double>(feeder.getParsingResult()),
                               feeder.getDuration()};
    double q[4], front, R[3][3];
    for (int f = 0; f < frames; ++f) {
        out.push_back(feeder.getRawQuaternion(f, q, &front));
        out.insert(out.end(), {q[0], q[1], q[2], q[3], front});
    }
    feeder.prepareFilteredRotationData(0, 0);
    for (int f = 0; f < frames; ++f) {
        feeder.fillRotationData(f, R);
        out.insert(out.end(), &R[0][0], &R[0][0] + 9);
    }
    return out;
}

}  // namespace

// Eye data attached before the "UQOCam" record of a media file reads as the same data in a
// ".eye" file, warnings included.
TEST(RotationFeeders, AttachedEyeDataReadsAsTheSeparateFile) {
    LogCapture& log = LogCapture::install();
    const std::string eye = unevenEye("attach.eye", {10, 10, 10, 13, 10, 10, 10, 10});
    const std::string media = writeFile("attach_src.MP4", std::string(3000, 'm'));
    const std::string glued = TestEnv::root() + "/attach.MP4";
    ASSERT_EQ(_glueUQOMediaWithEye(glued.c_str(), media.c_str(), eye.c_str(), "V", 2, 0, 0, 0, 0),
              0);
    log.clear();
    std::unique_ptr<VideoRotationFeeder> separate(
        VideoRotationFeeder::newVRFeeder(eye.c_str(), true));
    std::vector<std::string> separateLines = linesOf(log, "ABV2RF");
    log.clear();
    std::unique_ptr<VideoRotationFeeder> attached(
        VideoRotationFeeder::newVRFeeder(glued.c_str(), true));
    std::vector<std::string> attachedLines = linesOf(log, "ABV2RF");
    ASSERT_EQ(typeOf(attached.get()), "v2");
    EXPECT_EQ(attached->getParsingResult(), ResultCode::kRecoverable);
    ASSERT_EQ(separateLines.size(), 2u);
    for (std::string& line : separateLines) {
        const size_t at = line.find(eye);
        if (at != std::string::npos) line.replace(at, eye.size(), glued);
    }
    EXPECT_EQ(attachedLines, separateLines);
    EXPECT_EQ(answers(*attached, 50), answers(*separate, 50));
}

namespace {

// Restores the process-wide switches of the feeders.
struct SwitchGuard {
    ~SwitchGuard() {
        VideoRotationFeeder::enableToUseEye(true);
        VideoRotationFeeder::enableMovingAveragingFront(true);
    }
};

}  // namespace

TEST(RotationFeeders, WithoutTheEyeEveryFrameIsStandard) {
    SwitchGuard guard;
    ArrayBasedV2RotationFeeder feeder(yawTurnEye().c_str(), false);
    feeder.prepareFilteredRotationData(0, 0);
    VideoRotationFeeder::enableToUseEye(false);
    EXPECT_FALSE(VideoRotationFeeder::isUsingEye());
    for (int frame : {0, 40, 300}) expectStandard(feeder, frame);
    VideoRotationFeeder::enableToUseEye(true);
    double R[3][3], S[9];
    feeder.fillRotationData(40, R);
    fillRotationMatrixAlongY(kPi / 4, S);
    EXPECT_GT(std::abs(R[0][0] - S[0]) + std::abs(R[1][1] - S[4]), 0.1);
}

// Without the moving-average front the samples keep no fronts: each prepared frame is the
// low-pass filtered levelling (1 Hz) of the frame's interpolated attitude.
TEST(RotationFeeders, WithoutTheMovingAverageFrontTheFrontIsLowPassFiltered) {
    SwitchGuard guard;
    VideoRotationFeeder::enableMovingAveragingFront(false);
    EXPECT_FALSE(VideoRotationFeeder::isMovingAveragingFrontEnabled());
    const std::string path = yawTurnEye();
    ArrayBasedV2RotationFeeder raw(path.c_str(), false), prepared(path.c_str(), false);
    prepared.prepareFilteredRotationData(0, 0);
    Vintaro360FrontParameters* params = allocVintaro360FrontParameters();
    const double alpha = calculateLowPassAlpha(1, 1.0 / 30);
    const int frames = static_cast<int>(raw.getDuration()) * 30;
    ASSERT_EQ(frames, 330);
    double q[4], front = 1, R[3][3], E[9];
    for (int f = 0; f < frames; ++f) {
        ASSERT_TRUE(raw.getRawQuaternion(f, q, &front)) << f;
        EXPECT_EQ(front, 0) << f;
        fillVintaro360RMByAttitude(q, E, params, alpha);
        prepared.fillRotationData(f, R);
        expectMatrix(R, E, 1e-5);
    }
    freeVintaro360FrontParameters(params);
}

// Between samples the smoothed front is interpolated the short way, also where it crosses
// +-pi during the turn.
TEST(RotationFeeders, V2FrontsInterpolateTheShortWay) {
    ArrayBasedV2RotationFeeder feeder(yawTurnEye().c_str(), false);
    const std::vector<double> front = smoothedFronts(averagedTurn());
    int crossings = 0;
    for (int frame = 1; frame < 300; ++frame) {
        const double s = 50 * frame / 30.0;  // sample index at frame / 30 s
        const int a = static_cast<int>(s);
        const double v = s - a;
        const double expected = front[a] + v * wrapAngle(front[a + 1] - front[a]);
        crossings += std::abs(front[a + 1] - front[a]) > kPi;
        double q[4], f;
        ASSERT_TRUE(feeder.getRawQuaternion(frame, q, &f));
        EXPECT_NEAR(wrapAngle(f - expected), 0, 1e-4) << "frame " << frame;
    }
    EXPECT_GT(crossings, 0);
}

// Frames past the prepared range repeat the last matrix with one warning; a prepare with a
// count frees the raw data (a later prepare reads the file again).
TEST(RotationFeeders, V2PreparedRangeEnds) {
    LogCapture& log = LogCapture::install();
    ArrayBasedV2RotationFeeder feeder(yawTurnEye().c_str(), false);
    feeder.prepareFilteredRotationData(30, 20);
    double q[4], front, last[3][3], R[3][3];
    EXPECT_FALSE(feeder.getRawQuaternion(40, q, &front));
    feeder.fillRotationData(49, last);
    log.clear();
    for (int frame : {50, 60, 5000}) {
        feeder.fillRotationData(frame, R);
        expectMatrix(R, &last[0][0], 0);
    }
    EXPECT_EQ(log.count("ABV2RF", "Short rotation matrix data from eye file."), 1);
    feeder.fillRotationData(10, R);  // before the first prepared frame: the first one
    double first[3][3];
    feeder.fillRotationData(30, first);
    expectMatrix(R, &first[0][0], 0);

    for (int count : {0, 1}) {
        ArrayBasedV2RotationFeeder other(yawTurnEye().c_str(), false);
        other.prepareFilteredRotationData(0, count);
        EXPECT_EQ(other.getRawQuaternion(0, q, &front), count == 0) << count;
    }
}

// Version-2 data at 1/65535 samples a second has no piece timing: its three samples span
// 2.3 days of frames, of which the V1 path prepares one day (2,592,000 frames) at most.
TEST(RotationFeeders, AnAbsurdRateIsPreparedForADayAtMost) {
    LogCapture& log = LogCapture::install();
    const std::vector<Quaternion> turn = {
        {1, 0, 0, 0}, {std::sqrt(0.5), -std::sqrt(0.5), 0, 0}, {0, -1, 0, 0}};
    ArrayBasedV2RotationFeeder feeder(
        writeFile("slow.eye", eyeV2(0, 1, 65535, 0, 0, {{0, turn}})).c_str(), false);
    ASSERT_EQ(feeder.getParsingResult(), ResultCode::kRecoverable);
    EXPECT_GT(feeder.getDuration(), 2 * 24 * 3600);
    feeder.prepareFilteredRotationData(0, 0);
    const int day = 24 * 3600 * 30;
    double R[3][3];
    log.clear();
    feeder.fillRotationData(day - 2, R);
    EXPECT_EQ(log.count("V1RF", "Short rotation matrix data from eye file."), 0);
    feeder.fillRotationData(day + 10, R);
    EXPECT_EQ(log.count("V1RF", "Short rotation matrix data from eye file."), 1);
}
