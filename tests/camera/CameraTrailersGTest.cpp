// Trailers, the "UQOCam" attachment, the end tag and companion files, on hand-made files.
#include <sys/stat.h>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "CameraFixtures.h"
#include "CameraTrailers.h"
#include "LogCapture.h"
#include "ResultCode.h"
#include "TestEnv.h"
#include "TimeUtil.h"
#include "UQOCompanionFiles.h"
#include "UQOPostAttachment.h"

using namespace CameraFixtures;

namespace {

const std::string kMedia(700, 'j');
int fileCount = 0;

std::string uniqueName(const char* stem) { return stem + std::to_string(++fileCount) + ".bin"; }

// A media file whose last 512 bytes hold `trailer` (at the start of the block).
std::string withHeadTrailer(const std::string& trailer) {
    return writeFile(uniqueName("head"), kMedia + headBlock(trailer));
}

// A media file that ends with `record`.
std::string withTailRecord(const std::string& record) {
    return writeFile(uniqueName("tail"), kMedia + tailBlock(record));
}

int logged(LogCapture& log, const std::string& text) { return log.count("file360", text); }

}  // namespace

TEST(CameraTrailers, LensVideoTrailerTable) {
    LogCapture& log = LogCapture::install();
    struct Case {
        std::string path;
        int result;
        bool flag;
        const char* message;
    };
    const Case cases[] = {
        {withHeadTrailer("UQOLens{0,1,2,3,4,5,6}"), 0, false, nullptr},
        {withHeadTrailer("UQOLens{0,1,2,3,4,5,6,1}"), 0, true, nullptr},
        {withHeadTrailer("UQOLens{0,1,2,3,4,5,6,2}"), 0, false, nullptr},
        {withHeadTrailer("UQOLens{}"), -2, false, "Can not find UQOLens end tag"},
        {withHeadTrailer("UQOLens{0,1,2,3"), -2, false, "Can not find UQOLens end tag"},
        {withHeadTrailer("UQOLens{0,1,2,3,4,5}"), -13, false, nullptr},
        {withHeadTrailer("UQOLenz{0,1,2,3,4,5,6}"), -7, false, nullptr},
        {writeFile("short.bin", "UQOLens{0,1,2,3,4,5,6}"), -7, false, nullptr},
        {"/no/such/file", -30, false, nullptr}};
    for (const Case& c : cases) {
        log.clear();
        int a = -1, b = -1, cc = -1, f = -1;
        float d = -1, e = -1;
        bool flag = true;
        ASSERT_EQ(getUQOLensVideoInfo(c.path.c_str(), a, b, cc, d, e, f, flag), c.result);
        if (c.message) {
            EXPECT_EQ(logged(log, c.message), 1);
        }
        if (c.result != 0) {
            EXPECT_EQ(a, -1);
            EXPECT_TRUE(flag);
            continue;
        }
        EXPECT_EQ(a, 1);
        EXPECT_EQ(b, 2);
        EXPECT_EQ(cc, 3);
        EXPECT_FLOAT_EQ(d, 0.0004f);
        EXPECT_FLOAT_EQ(e, 0.0005f);
        EXPECT_EQ(f, 6);
        EXPECT_EQ(flag, c.flag);
    }
}

TEST(CameraTrailers, LensPhotoTrailerTable) {
    LogCapture& log = LogCapture::install();
    struct Case {
        std::string trailer;
        int result;
        bool flag;
    };
    const Case cases[] = {{"UQOLensPhoto{70711,70711,0,0,1,2,3,40000,50000,7}", 0, false},
                          {"UQOLensPhoto{70711,70711,0,0,1,2,3,40000,50000,7,1}", 0, true},
                          {"UQOLensPhoto{}", -2, false},
                          {"UQOLensPhoto{1,2,3,4,5,6,7,8,9}", -13, false},
                          {"UQOLens{1,2,3,4,5,6,7,8,9,10}", -7, false}};
    for (const Case& c : cases) {
        log.clear();
        int a = 0, b = 0, cc = 0, f = 0;
        float d = 0, e = 0, q[4] = {9, 9, 9, 9};
        bool flag = true;
        const std::string path = withHeadTrailer(c.trailer);
        ASSERT_EQ(getUQOLensPhotoInfo(path.c_str(), a, b, cc, d, e, q, f, flag), c.result)
            << c.trailer;
        EXPECT_EQ(flag, c.flag);
        if (c.result == -2) {
            EXPECT_EQ(logged(log, "Can not find UQOLensPhoto end tag"), 1);
        }
        if (c.result != 0) {
            EXPECT_EQ(f, 180);
            EXPECT_EQ(q[0], 9);
            continue;
        }
        EXPECT_FLOAT_EQ(q[0], 0.70711f);
        EXPECT_FLOAT_EQ(q[2], 0);
        EXPECT_EQ(a + b + cc, 6);
        EXPECT_FLOAT_EQ(d, 4);
        EXPECT_FLOAT_EQ(e, 5);
        EXPECT_EQ(f, 7);
    }
}

TEST(CameraTrailers, AttachmentTable) {
    LogCapture& log = LogCapture::install();
    const std::string good = "{100,0,V_20230102_030405,40,2,3,9605,5405,5000}UQOCam";
    struct Case {
        std::string record;
        int result;
        const char* message;
    };
    const Case cases[] = {
        {good, 0, nullptr},
        {"{100,0,V,40,2,3,0,0,0}UQOCam", 0, nullptr},
        {"{100,0,V,40,2,3,9605,5405,5000}UQOCaX", -7, nullptr},
        {"100,0,V,40,2,3,9605,5405,5000}UQOCam", -2, "Long UQOCam attachment for %s."},
        {"{100,0,V,-40,2,3,9605,5405,5000}UQOCam", -13,
         "Seperator error in UQOCam attachment for %s."},
        {"{1x0,0,V,40,2,3,9605,5405,5000}UQOCam", -13,
         "Seperator error in UQOCam attachment for %s."},
        {"{100,0,V,40,2,3,9605,5405;5000}UQOCam", -13,
         "Seperator error in UQOCam attachment for %s."},
        {"{100,0,V,40,2}UQOCam", -8, "Few fields in UQOCam attachment for %s."},
        {"{100,0,nocomma}UQOCam", -8, "Few fields in UQOCam attachment for %s."},
        {"{100,0,,40,2,3,9605,5405,5000}UQOCam", -8, "Few fields in UQOCam attachment for %s."},
        {"{100,0,V,90000,2,3,9605,5405,5000}UQOCam", -8,
         "Eye data of UQOCam attachment for %s passes the file start."}};
    for (const Case& c : cases) {
        log.clear();
        const std::string path = withTailRecord(c.record);
        UQOPostAttachment at;
        ASSERT_EQ(getUQOPostAttachment(path.c_str(), &at), c.result) << c.record;
        if (c.message) {
            char text[512];
            std::snprintf(text, sizeof(text), c.message, path.c_str());
            EXPECT_EQ(logged(log, text), 1) << c.record;
        } else {
            EXPECT_TRUE(log.lines().empty()) << c.record;
        }
        if (c.result != 0) {
            EXPECT_EQ(at.tag, nullptr);
            continue;
        }
        EXPECT_EQ(at.eyeSize, 40);
        EXPECT_EQ(at.eyeOffset, -static_cast<int>(c.record.size()) - 40);
        EXPECT_EQ(at.valueA, 2);
        EXPECT_EQ(at.valueB, 3);
        std::free(at.tag);
    }
    UQOPostAttachment at;
    ASSERT_EQ(getUQOPostAttachment(withTailRecord(good).c_str(), &at), 0);
    EXPECT_STREQ(at.tag, "V_20230102_030405");
    EXPECT_TRUE(at.hasCircle);
    EXPECT_DOUBLE_EQ(at.cx, 960.5);
    EXPECT_DOUBLE_EQ(at.cy, 540.5);
    EXPECT_DOUBLE_EQ(at.radius, 500);
    std::free(at.tag);
    // A file that is only the record: its 40 bytes of eye data would begin before the file.
    EXPECT_EQ(getUQOPostAttachment(writeFile("s.bin", good).c_str(), &at), -8);
    EXPECT_EQ(getUQOPostAttachment("/no/such/file", &at), -30);
}

TEST(CameraTrailers, CircleFromEndTagOrAttachment) {
    LogCapture& log = LogCapture::install();
    struct Case {
        std::string record;
        int result;
        const char* message;
    };
    const Case cases[] = {
        {"{1,2,9605,5405,5000}Vintaro360", 0, nullptr},
        {"{100,0,P,4,2,0,9605,5405,5000}UQOCam", 0, nullptr},
        {"1,2,9605,5405,5000}Vintaro360", -2, "Long Vintaro360 end tag for %s."},
        {"{1,-2,9605,5405,5000}Vintaro360", -13, "Seperator error in Vintaro360 end tag for %s."},
        {"{1,2,9605,5405,x}Vintaro360", -13, "Seperator error in Vintaro360 end tag for %s."},
        {"{1,2,3}Vintaro360", -8, "Few fields in Vintaro360 end tag for %s."},
        {"{1,2,9605,5405,5000}Vintaro36O", -7, nullptr},
        // An attachment without a circle does not end with the end tag.
        {"{100,0,P,4,2,0,0,0,0}UQOCam", -7, nullptr}};
    for (const Case& c : cases) {
        log.clear();
        const std::string path = withTailRecord(c.record);
        double cx = 0, cy = 0, r = 0;
        ASSERT_EQ(getVintaro360CircleInfo(path.c_str(), &cx, &cy, &r), c.result) << c.record;
        if (c.message) {
            char text[512];
            std::snprintf(text, sizeof(text), c.message, path.c_str());
            EXPECT_EQ(logged(log, text), 1) << c.record;
        }
        if (c.result == 0) {
            EXPECT_DOUBLE_EQ(cx, 960.5);
            EXPECT_DOUBLE_EQ(cy, 540.5);
            EXPECT_DOUBLE_EQ(r, 500);
        }
        float fx, fy, fr;
        const int fallback = getVintaro360CircleInfo(path.c_str(), 1920, 1080, &fx, &fy, &fr);
        EXPECT_EQ(fallback, c.result == 0 ? 0 : ResultCode::kFallbackCircle);
        if (fallback != 0) {
            EXPECT_FLOAT_EQ(fx, 960);
            EXPECT_FLOAT_EQ(fy, 540);
            EXPECT_FLOAT_EQ(fr, 504);
        }
    }
}

TEST(CameraTrailers, ParseIntAndAdvanceTable) {
    struct Case {
        const char* text;
        int result, value, advanced;
    };
    const Case cases[] = {{"12,x", 0, 12, 3}, {"7}", 0, 7, 2},           {"0,", 0, 0, 2},
                          {",", -1, 0, 0},    {"-3,", -1, 0, 0},         {"12", -1, 0, 0},
                          {"1 2,", -1, 0, 0}, {"99999999999,", -1, 0, 0}};
    for (const Case& c : cases) {
        std::string text = c.text;
        int value = -5;
        char* next = nullptr;
        ASSERT_EQ(parseIntAndAdvance(&text[0], &value, &next), c.result) << c.text;
        EXPECT_EQ(value, c.result == 0 ? c.value : -5);
        EXPECT_EQ(next, c.result == 0 ? &text[0] + c.advanced : nullptr);
    }
}

TEST(CameraTrailers, AttachmentRoundTrip) {
    const std::string eyeData(300, '\x5a');
    const std::string media = writeFile("media.MP4", kMedia);
    const std::string eye = writeFile("media.eye", eyeData);
    const std::string target = TestEnv::root() + "/glued.MP4";
    ASSERT_EQ(_glueUQOMediaWithEye(target.c_str(), media.c_str(), eye.c_str(), "V_20230102_030405",
                                   2, 0, 9605, 5405, 5000),
              0);
    const std::string record = "{100,0,V_20230102_030405,300,2,0,9605,5405,5000}UQOCam";
    const std::string bytes = readFile(target);
    EXPECT_EQ(bytes, kMedia + eyeData + record);

    UQOPostAttachment at;
    ASSERT_EQ(getUQOPostAttachment(target.c_str(), &at), 0);
    EXPECT_EQ(bytes.substr(bytes.size() + at.eyeOffset, at.eyeSize), eyeData);
    TestEnv::setTimeZone("Asia/Tokyo");
    EXPECT_EQ(at.getTakenTime(), TimeUtil::fromYMDHMS(2023, 1, 1, 18, 4, 5, false));
    TestEnv::setTimeZone("");
    EXPECT_EQ(at.getTakenTime(), TimeUtil::fromYMDHMS(2023, 1, 2, 3, 4, 5, false));
    std::free(at.tag);

    // Target and source the same: the eye data and record are appended.
    ASSERT_EQ(_glueUQOMediaWithEye(media.c_str(), media.c_str(), eye.c_str(), "T", 1, 1, 0, 0, 0),
              0);
    EXPECT_EQ(readFile(media), kMedia + eyeData + "{100,0,T,300,1,1,0,0,0}UQOCam");
}

TEST(CameraTrailers, GlueRefusesWhatTheReaderCannotRead) {
    LogCapture& log = LogCapture::install();
    const std::string media = writeFile("m2.MP4", kMedia);
    const std::string eye = writeFile("m2.eye", "eye");
    const std::string target = TestEnv::root() + "/refused.MP4";
    struct Case {
        std::string target, source, eye, tag;
        int r10, result;
        std::string message;
    };
    const Case cases[] = {
        {target, media, eye, std::string(500, 't'), 10, -4, "Record for %s does not fit"},
        {target, media, eye, "a,b", 10, -4, "Record for %s does not fit"},
        {target, media, eye, "a{b", 10, -4, "Record for %s does not fit"},
        {target, media, eye, "", 10, -4, "Record for %s does not fit"},
        {target, media, eye, "ok", -10, -4, "Record for %s does not fit"},
        {target, media, "/no/such.eye", "ok", 10, -30, "Cannot open eye file /no/such.eye!"},
        {target, "/no/such.MP4", eye, "ok", 10, -30, "Cannot open source file /no/such.MP4!"},
        {"/no/dir/t.MP4", media, eye, "ok", 10, -12, "Cannot open target file /no/dir/t.MP4!"}};
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(_glueUQOMediaWithEye(c.target.c_str(), c.source.c_str(), c.eye.c_str(),
                                       c.tag.c_str(), 2, 0, 1, 1, c.r10),
                  c.result);
        struct stat st;
        EXPECT_NE(stat(target.c_str(), &st), 0) << "target written for " << c.tag;
        const std::vector<LogCapture::Line> lines = log.lines();
        ASSERT_EQ(lines.size(), 1u);
        char expected[600];
        std::snprintf(expected, sizeof(expected), c.message.c_str(), c.target.c_str());
        EXPECT_EQ(lines[0].text.rfind(expected, 0), 0u) << lines[0].text;
    }
    // The longest record the reader accepts is 512 bytes.
    const std::string tag(512 - std::strlen("{100,0,,3,2,0,1,1,10}UQOCam"), 't');
    ASSERT_EQ(_glueUQOMediaWithEye(target.c_str(), media.c_str(), eye.c_str(), tag.c_str(), 2, 0, 1,
                                   1, 10),
              0);
    UQOPostAttachment at;
    ASSERT_EQ(getUQOPostAttachment(target.c_str(), &at), 0);
    EXPECT_EQ(std::string(at.tag), tag);
    std::free(at.tag);
}

TEST(CameraTrailers, PhotoGluedOnceWithItsEyeAndCircle) {
    const std::string dir = TestEnv::makeDir("photo");
    mkdir((dir + "/AppView").c_str(), 0755);
    const std::string photo = dir + "/P_20230102_030405.JPG";
    const std::string eyePath = dir + "/AppView/P_20230102_030405.eye";
    const std::string original = kMedia + tailBlock("{1,2,9605,5405,5000}Vintaro360");
    writeFile("photo/P_20230102_030405.JPG", original);
    writeFile("photo/AppView/P_20230102_030405.eye", "EYE");

    ASSERT_EQ(glueUQOPhotoWithEye(photo.c_str(), photo.c_str()), 0);
    const std::string glued = original + "EYE{100,0,P_20230102_030405,3,2,0,9605,5405,5000}UQOCam";
    EXPECT_EQ(readFile(photo), glued);
    EXPECT_EQ(glueUQOPhotoWithEye(photo.c_str(), photo.c_str()), 100);
    EXPECT_EQ(readFile(photo), glued);
}

// A glued file under 512 bytes in all is read back as written, so gluing it again in place
// adds nothing.
TEST(CameraTrailers, SmallPhotoGluedOnce) {
    const std::string dir = TestEnv::makeDir("small");
    const std::string photo = dir + "/P_20230102_030405.JPG";
    writeFile("small/P_20230102_030405.JPG", "tiny photo");
    writeFile("small/P_20230102_030405.eye", "EYE DATA");
    ASSERT_EQ(glueUQOPhotoWithEye(photo.c_str(), photo.c_str()), 0);
    const std::string glued = "tiny photoEYE DATA{100,0,P_20230102_030405,8,2,0,0,0,0}UQOCam";
    ASSERT_EQ(readFile(photo), glued);

    UQOPostAttachment at;
    ASSERT_EQ(getUQOPostAttachment(photo.c_str(), &at), 0);
    EXPECT_EQ(glued.substr(glued.size() + at.eyeOffset, at.eyeSize), "EYE DATA");
    EXPECT_STREQ(at.tag, "P_20230102_030405");
    std::free(at.tag);
    EXPECT_EQ(glueUQOPhotoWithEye(photo.c_str(), photo.c_str()), 100);
    EXPECT_EQ(readFile(photo), glued);
}

TEST(CameraTrailers, CompanionFiles) {
    LogCapture& log = LogCapture::install();
    const std::string dir = TestEnv::makeDir("companions");
    mkdir((dir + "/AppView").c_str(), 0755);
    writeFile("companions/A.MP4", "a");
    writeFile("companions/A.eye", "e");
    writeFile("companions/AppView/B.eye", "e");
    writeFile("companions/AppView\\C.eye", "e");
    writeFile("companions/A_PRE.MP4", "p");
    writeFile("companions/AppView/B_PRE.MP4", "p");
    struct Case {
        std::string path;
        const char* eye;
        const char* pre;
    };
    const Case cases[] = {{dir + "/A.MP4", "/A.eye", "/A_PRE.MP4"},
                          {dir + "/B.MP4", "/AppView/B.eye", "/AppView/B_PRE.MP4"},
                          {dir + "/C.JPG", "/AppView\\C.eye", nullptr},
                          {dir + "/D.MP4", nullptr, nullptr}};
    for (const Case& c : cases) {
        char* eye = locateUQOEyePath(c.path.c_str(), true);
        char* pre = locateUQOPrePath(c.path.c_str(), false);
        EXPECT_EQ(eye ? std::string(eye) : "", c.eye ? dir + c.eye : "") << c.path;
        EXPECT_EQ(pre ? std::string(pre) : "", c.pre ? dir + c.pre : "") << c.path;
        delete[] eye;
        delete[] pre;
    }
    EXPECT_EQ(log.count("file360", "Cannot locate eye file from " + dir + "/D.MP4!"), 1);
    log.clear();
    EXPECT_EQ(locateUQOEyePath("noext", true), nullptr);
    EXPECT_EQ(locateUQOPrePath((dir + "/A.mov").c_str(), true), nullptr);
    EXPECT_EQ(locateUQOPrePath((dir + "/D.MP4").c_str(), true), nullptr);
    EXPECT_EQ(log.count("file360", "noext is not with correct file extension!"), 1);
    EXPECT_EQ(log.count("file360", dir + "/A.mov is not with correct file extension!"), 1);
    EXPECT_EQ(log.count("file360", "Cannot locate PRE file from " + dir + "/D.MP4!"), 1);
}

TEST(CameraTrailers, SourceTagsAndTakenTimes) {
    struct Case {
        const char* path;
        const char* tag;
        long long taken;  // UTC fields read as the local (UTC) test zone
    };
    const long long t = TimeUtil::fromYMDHMS(2023, 1, 2, 3, 4, 5, false);
    const Case cases[] = {{"/d/V_20230102_030405_001.MP4", "V_20230102_030405", t},
                          {"C:\\d\\P_20230102_030405.JPG", "P_20230102_030405", t},
                          {"rel/LV_20230102_030405_PRE.MP4", "LV_20230102_030405", t},
                          {"x.d/name", "name", 0},
                          {"a_b.MP4", "a_b", 0},
                          {"V_2023010_030405.MP4", "V_2023010_030405", 0},
                          {"clip_20230102-030405.MP4", "clip_20230102-030405", 0}};
    for (const Case& c : cases) {
        UQOPostAttachment at;
        at.tag = _identifyUQOSourceTag(c.path);
        EXPECT_STREQ(at.tag, c.tag) << c.path;
        EXPECT_EQ(at.getTakenTime(), c.taken) << c.path;
        std::free(at.tag);
    }
}
