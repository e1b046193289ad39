// Attitude parsers on hand-written gyro, quaternion, eye and lens files.
#include <clocale>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AttitudeParser.h"
#include "CameraFixtures.h"
#include "GyroParserV1.h"
#include "LogCapture.h"
#include "QuaternionsParserUqoEye.h"
#include "QuaternionsParserV1.h"
#include "RotationGeometry.h"
#include "UQOLensQParser.h"
#include "Vintaro360Camera.h"
#include "Vintaro360Files.h"

using namespace CameraFixtures;

namespace {

const double kS = std::sqrt(0.5);  // quarter turn about x: (kS, kS, 0, 0)

void expectQuaternion(const float* q, double w, double x, double y, double z, double tol = 1e-5) {
    EXPECT_NEAR(q[0], w, tol);
    EXPECT_NEAR(q[1], x, tol);
    EXPECT_NEAR(q[2], y, tol);
    EXPECT_NEAR(q[3], z, tol);
}

std::string quarterTurnFile() {
    return writeFile("quarter.txt", "0,1,0,0,0\n100,0.70710678,0.70710678,0,0\n");
}

// Media bytes, the attitude block and the "UQOLens{" trailer with `length` as its first field.
std::string lensFile(const std::string& name, const std::string& block, const std::string& length) {
    return writeFile(
        name, std::string(100, 'v') + block + headBlock("UQOLens{" + length + ",1,2,3,4,5,6}"));
}

}  // namespace

TEST(AttitudeParsers, StrSplitKeepsTheRemainder) {
    struct Case {
        std::string text, separator;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"a,b", ",", {"a", "b"}}, {"a,", ",", {"a", ""}},           {"", ",", {""}},
        {",a", ",", {"", "a"}},   {"a::b::", "::", {"a", "b", ""}}, {"abc", ";", {"abc"}}};
    for (const Case& c : cases) EXPECT_EQ(strSplit(c.text, c.separator), c.pieces) << c.text;
}

TEST(AttitudeParsers, QuaternionsAreTakenRelativeToTheFirst) {
    const std::string path = quarterTurnFile();
    EXPECT_TRUE(QuaternionsParserV1::canParse(path.c_str()));
    QuaternionsParserV1 parser;
    ASSERT_EQ(parser.parse(path.c_str(), 0), 0);
    const List<AttParserData*> data = parser.getParsedData();
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[1]->time, 100);
    expectQuaternion(data[0]->quaternion, 1, 0, 0, 0);
    expectQuaternion(data[1]->quaternion, kS, -kS, 0, 0);
}

TEST(AttitudeParsers, FindAttitudeInterpolatesAndClamps) {
    QuaternionsParserV1 parser;
    float q[4] = {0, 0, 0, 0};
    EXPECT_FALSE(parser.findAttitude(0, q));
    EXPECT_EQ(q[0], -100);

    ASSERT_EQ(parser.parse(quarterTurnFile().c_str(), -1), 0);
    ASSERT_TRUE(parser.findAttitude(50, q));
    const double h = std::acos(-1.0) / 8;  // halfway: an eighth turn back about x
    expectQuaternion(q, std::cos(h), -std::sin(h), 0, 0);
    ASSERT_TRUE(parser.findAttitude(-20, q));
    expectQuaternion(q, 1, 0, 0, 0);
    ASSERT_TRUE(parser.findAttitude(5000, q));
    expectQuaternion(q, kS, -kS, 0, 0);
}

TEST(AttitudeParsers, GyroRatesAreIntegrated) {
    const std::string path = writeFile("gyro.txt", "0,0.1,0,0 10,0.1,0,0\n20,0,0.2,0\n");
    EXPECT_TRUE(GyroParserV1::canParse(path.c_str()));
    GyroParserV1 parser;
    ASSERT_EQ(parser.parse(path.c_str(), 0), 0);
    const List<AttParserData*> data = parser.getParsedData();
    ASSERT_EQ(data.size(), 3u);
    // First step 5 ms, then 10 ms: 0.0005 rad, then 0.0015 rad about x in all.
    EXPECT_FLOAT_EQ(data[0]->increment[0], 0.0005f);
    EXPECT_FLOAT_EQ(data[1]->increment[0], 0.001f);
    EXPECT_FLOAT_EQ(data[2]->increment[1], 0.002f);
    expectQuaternion(data[1]->quaternion, std::cos(0.00075), std::sin(0.00075), 0, 0, 1e-6);
    const float aboutY[4] = {float(std::cos(0.001)), 0, float(std::sin(0.001)), 0};
    float expected[4];
    quaternionMutiply(aboutY, data[1]->quaternion, expected);
    expectQuaternion(data[2]->quaternion, expected[0], expected[1], expected[2], expected[3], 1e-6);
}

TEST(AttitudeParsers, CanParseTable) {
    struct Case {
        const char* text;
        bool gyro, quaternion;
    };
    const Case cases[] = {{"0,0.1,0.2,0.3", true, false},
                          {"0,1.5,0,0", false, false},
                          {"0,0.1,0.2", false, false},
                          {"0,1,0,0,0", false, true},
                          {"0,2,0,0,0", false, false},
                          {"0,0.3,0.3,0.3,0.3", true, false},
                          {"", false, false},
                          {"x,0.1,0.1,zz", false, false}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = writeFile("can" + std::to_string(n++) + ".txt", c.text);
        EXPECT_EQ(GyroParserV1::canParse(path.c_str()), c.gyro) << c.text;
        EXPECT_EQ(QuaternionsParserV1::canParse(path.c_str()), c.quaternion) << c.text;
    }
    EXPECT_FALSE(GyroParserV1::canParse("/no/such/file"));
}

TEST(AttitudeParsers, TextErrorsEndTheParseKeepingSamples) {
    LogCapture& log = LogCapture::install();
    struct Case {
        const char* text;
        size_t samples;
        const char* message;
    };
    const Case cases[] = {
        {"0,1,0,0,0 10,1,0,0", 1, "Parse failed, format not correct, line:10,1,0,0"},
        {"0,1,0,0,0 10,a,0,0,0 20,1,0,0,0", 1,
         "Parse failed, translate data error, line:10,a,0,0,0"},
        {"0,1,0,0,0 10,0,0,0,0", 1, "Parse failed, translate data error, line:10,0,0,0,0"},
        {"5.5,1,0,0,0", 0, "Parse failed, translate data error, line:5.5,1,0,0,0"}};
    for (const Case& c : cases) {
        log.clear();
        QuaternionsParserV1 parser;
        EXPECT_EQ(parser.parse(writeFile("bad.txt", c.text).c_str(), 0), 0);
        EXPECT_EQ(parser.getParsedData().size(), c.samples) << c.text;
        EXPECT_EQ(log.count("QuaternionsParserV1", c.message), 1) << c.text;
    }
    log.clear();
    GyroParserV1 gyro;
    EXPECT_EQ(gyro.parse(writeFile("badgyro.txt", "0,0.1,0,0 7,0.1").c_str(), 0), 0);
    EXPECT_EQ(log.count("GyroParserV1", "Parse failed, format not correct, line:7,0.1"), 1);
    EXPECT_EQ(gyro.parse("/no/such/file", 0), -12);
    EXPECT_TRUE(gyro.getParsedData().empty());
}

TEST(AttitudeParsers, MaxCountStopsTheParse) {
    QuaternionsParserV1 parser;
    const std::string path = writeFile("three.txt", "0,1,0,0,0 1,1,0,0,0 2,1,0,0,0");
    EXPECT_EQ(parser.parse(path.c_str(), 2), 0);
    EXPECT_EQ(parser.getParsedData().size(), 2u);
    EXPECT_EQ(parser.parse(path.c_str(), 0), 0);
    EXPECT_EQ(parser.getParsedData().size(), 3u);
}

TEST(AttitudeParsers, EyeV2RecordsAndTiming) {
    const Quaternion a = {1, 0, 0, 0}, b = {kS, kS, 0, 0};
    // Flags: extra data per record and a 40 ms offset; 50 samples a second.
    const std::string path =
        writeFile("v2.eye", eyeV2(3, 100, 2, 5, 40, {{10, {a, b}}, {11, {}}, {12, {b}}}));
    ASSERT_TRUE(QuaternionsParserUqoEye::canParse(path.c_str()));
    QuaternionsParserUqoEye parser;
    ASSERT_EQ(parser.parse(path.c_str(), 0), 0);
    const List<AttParserData*> data = parser.getParsedData();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[0]->time, -40);
    EXPECT_EQ(data[1]->time, -20);
    EXPECT_EQ(data[2]->time, 0);
    expectQuaternion(data[1]->quaternion, kS, -kS, 0, 0);
}

TEST(AttitudeParsers, EyeV2Failures) {
    LogCapture& log = LogCapture::install();
    const Quaternion good = {1, 0, 0, 0}, bad = {0.5, 0.5, 0.25, -0.25};
    struct Case {
        std::string bytes;
        int result;
        size_t samples;
        const char* message;
    };
    const Case cases[] = {
        {eyeV1(0, 50, 0, {good}), -10, 0, "version not correct:1"},
        {le16(2) + le16(0), 0, 0, "Read failed 2"},
        {le16(2) + le16(1) + le16(50) + le16(1) + le32(0), -10, 0, "Read failed 5"},
        {eyeV2(0, 0, 1, 0, 0, {{0, {good}}}), -10, 0, "Zero sample rate 0/1"},
        {eyeV2(0, 50, 0, 0, 0, {{0, {good}}}), -10, 0, "Zero sample rate 50/0"},
        {eyeV2(0, 50, 1, 0, 0, {{0, {good, bad, good}}}), 0, 1,
         "receive un-correct quaternions data, sum:0.625000, q:0.500000,-0.500000,-0.250000,"
         "0.250000"},
        {eyeV2(0, 50, 1, 0, 0, {{0, {good, good}}}).substr(0, 40), 0, 1, nullptr},
        {"\x02", -10, 0, "Can not read version!"}};
    for (const Case& c : cases) {
        log.clear();
        QuaternionsParserUqoEye parser;
        EXPECT_EQ(parser.parse(writeFile("case.eye", c.bytes).c_str(), 0), c.result);
        EXPECT_EQ(parser.getParsedData().size(), c.samples);
        if (c.message) {
            const std::vector<LogCapture::Line> lines = log.lines();
            bool found = false;
            for (const LogCapture::Line& l : lines) found |= l.text == c.message;
            EXPECT_TRUE(found) << c.message << " | " << (lines.empty() ? "" : lines.back().text);
        }
    }
}

TEST(AttitudeParsers, LensBlockBeforeTheTrailer) {
    const std::string block = "0,1,0,0,0\n100,0.70710678,0.70710678,0,0\n";
    const std::string path = lensFile("lens.MP4", block, std::to_string(block.size()));
    EXPECT_TRUE(UQOLensQParser::canParse(path.c_str()));
    UQOLensQParser parser;
    ASSERT_EQ(parser.parse(path.c_str(), 0), 0);
    const List<AttParserData*> data = parser.getParsedData();
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[1]->time, 100);
    expectQuaternion(data[1]->quaternion, kS, kS, 0, 0);

    struct Case {
        std::string path;
        int result;
        size_t samples;
    };
    const Case cases[] = {
        {lensFile("zero.MP4", block, "0"), 0, 0},
        {lensFile("long.MP4", block, "100000"), -8, 0},
        {lensFile("nodigit.MP4", block, "4x"), -13, 0},
        {lensFile("short.MP4", block + "5,1\n", std::to_string(block.size() + 4)), 0, 2},
        {writeFile("tiny.MP4", "UQOLens{0,1,2,3,4,5,6}"), -7, 0},
        {writeFile("plain.MP4", std::string(600, 'x')), -7, 0},
        {"/no/such/file.MP4", -30, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(parser.parse(c.path.c_str(), 0), c.result) << c.path;
        EXPECT_EQ(parser.getParsedData().size(), c.samples) << c.path;
    }
    EXPECT_FALSE(UQOLensQParser::canParse(cases[4].path.c_str()));
}

TEST(AttitudeParsers, FactoryChoosesByType) {
    const std::string gyro = writeFile("f_gyro.txt", "0,0.1,0,0");
    const std::string quaternions = quarterTurnFile();
    const std::string eye = writeFile("f.eye", eyeV2(0, 50, 1, 0, 0, {{0, {{1, 0, 0, 0}}}}));
    const std::string lens = lensFile("f_lens.MP4", "", "0");
    struct Case {
        std::string path;
        int type;
        const char* kind;
    };
    const Case cases[] = {{gyro, 2, "gyro"},         {gyro, 1, nullptr},    {gyro, 0, "gyro"},
                          {quaternions, 2, nullptr}, {quaternions, 1, "q"}, {eye, 1, "eye"},
                          {eye, 7, "eye"},           {lens, 0, nullptr}};
    for (const Case& c : cases) {
        std::unique_ptr<AttitudeParser> p(AttitudeParser::getParser(c.path.c_str(), c.type));
        const std::string kind = !p                                                ? ""
                                 : dynamic_cast<GyroParserV1*>(p.get())            ? "gyro"
                                 : dynamic_cast<QuaternionsParserV1*>(p.get())     ? "q"
                                 : dynamic_cast<QuaternionsParserUqoEye*>(p.get()) ? "eye"
                                                                                   : "other";
        EXPECT_EQ(kind, c.kind ? c.kind : "") << c.path << " type " << c.type;
        if (p) {
            EXPECT_TRUE(p->canParseFile(c.path.c_str()));
        }
    }
}

TEST(AttitudeParsers, TimesThatCannotBeSubtractedEndTheParse) {
    LogCapture& log = LogCapture::install();
    const std::string max = std::to_string(AttitudeParser::kMaxTimeMs);
    const std::string past = "4611686018427387904";  // kMaxTimeMs + 1
    struct Case {
        std::string name, text;
        size_t samples;
    };
    const Case cases[] = {
        {"gyro", "0,0.1,0,0 " + past + ",0.1,0,0", 1},
        {"gyro", "-" + past + ",0.1,0,0", 0},
        {"gyro", "-" + max + ",0.1,0,0 " + max + ",0.1,0,0", 2},
        {"quaternions", "0,1,0,0,0 9223372036854775807,1,0,0,0", 1},
        {"quaternions", "-9223372036854775808,1,0,0,0", 0},
        {"lens", "0,1,0,0,0\n" + past + ",1,0,0,0\n", 1},
        {"lens", "-" + max + ",1,0,0,0\n" + max + ",0.70710678,0.70710678,0,0\n", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + c.text);
        log.clear();
        std::unique_ptr<AttitudeParser> parser;
        std::string path;
        if (c.name == "lens") {
            parser.reset(new UQOLensQParser());
            path = lensFile("times.MP4", c.text, std::to_string(c.text.size()));
        } else {
            parser.reset(c.name == "gyro" ? static_cast<AttitudeParser*>(new GyroParserV1())
                                          : new QuaternionsParserV1());
            path = writeFile("times.txt", c.text);
        }
        ASSERT_EQ(parser->parse(path.c_str(), 0), 0);
        EXPECT_EQ(parser->getParsedData().size(), c.samples);
        int errors = 0;
        for (const LogCapture::Line& l : log.lines())
            errors += l.text.rfind("Parse failed, translate data error", 0) == 0;
        EXPECT_EQ(errors, c.samples == 2 ? 0 : 1);
    }
    // Samples at both ends of the range: halfway lies at 0.
    UQOLensQParser lens;
    ASSERT_EQ(
        lens.parse(
            lensFile("ends.MP4", cases[6].text, std::to_string(cases[6].text.size())).c_str(), 0),
        0);
    float q[4];
    ASSERT_TRUE(lens.findAttitude(0, q));
    const double h = std::acos(-1.0) / 8;
    expectQuaternion(q, std::cos(h), std::sin(h), 0, 0);
}

namespace {

// The process runs with a comma-decimal locale until the guard ends (the test's application
// object exists already, as in the program). The locale comes with tools/install-deps.sh.
struct CommaLocale {
    CommaLocale() : ok(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {}
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        std::setlocale(LC_NUMERIC, "C");
    }
    bool ok;
};

}  // namespace

TEST(AttitudeParsers, NumbersReadTheSameUnderACommaLocale) {
    const std::string gyro = writeFile("l_gyro.txt", "0,0.1,0,0 10,0.1,0,0\n20,0,0.2,0\n");
    const std::string quaternions = quarterTurnFile();
    const std::string block = "0,1,0,0,0\n100,0.70710678,0.70710678,0,0\n";
    const std::string lens = lensFile("l_lens.MP4", block, std::to_string(block.size()));
    const char* period = "P: 5(+00:00) 7,100,0.6,0,0.8,0,0.7";
    auto readAll = [&] {
        std::vector<double> out;
        std::unique_ptr<AttitudeParser> parsers[] = {
            std::unique_ptr<AttitudeParser>(new GyroParserV1()),
            std::unique_ptr<AttitudeParser>(new QuaternionsParserV1()),
            std::unique_ptr<AttitudeParser>(new UQOLensQParser())};
        const std::string paths[] = {gyro, quaternions, lens};
        for (int i = 0; i < 3; ++i) {
            out.push_back(parsers[i]->canParseFile(paths[i].c_str()));
            out.push_back(parsers[i]->parse(paths[i].c_str(), 0));
            for (AttParserData* d : parsers[i]->getParsedData()) {
                out.push_back(static_cast<double>(d->time));
                out.insert(out.end(), d->quaternion, d->quaternion + 4);
            }
        }
        double R[9];
        parseRMFromVT360PeriodString(period, R);
        out.insert(out.end(), R, R + 9);
        return out;
    };
    const std::vector<double> plain = readAll();
    ASSERT_EQ(plain.size(), 3 * 2 + (3 + 2 + 2) * 5 + 9u);
    CommaLocale comma;
    ASSERT_TRUE(comma.ok) << "de_DE.UTF-8 is missing: run tools/install-deps.sh";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(readAll(), plain);
}
