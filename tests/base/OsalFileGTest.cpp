// File wrappers: result codes, the partial read window, and the byte readers over them.
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ByteUtil.h"
#include "OsalInputFile.h"
#include "OsalOutputFile.h"
#include "OsalPartialInputFile.h"
#include "TestEnv.h"

namespace {

// Offsets whose sums with a position or size overflow.
const long long kMax = std::numeric_limits<long long>::max();
const long long kMin = std::numeric_limits<long long>::min();

std::string writeFixture(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = TestEnv::makeDir("osal") + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// 0, 1, ..., n-1 (mod 256).
std::vector<unsigned char> counting(size_t n) {
    std::vector<unsigned char> bytes(n);
    for (size_t k = 0; k < n; ++k) bytes[k] = static_cast<unsigned char>(k);
    return bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(OsalInputFile, ResultCodes) {
    const std::string path = writeFixture("in.bin", counting(100));
    OsalInputFile missing((path + ".none").c_str());
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.open(), -30);

    OsalInputFile file(path.c_str());
    EXPECT_TRUE(file.exists());
    EXPECT_EQ(file.seek(0, 0), -10001);
    EXPECT_EQ(file.tell(), 0);
    unsigned char byte = 0;
    EXPECT_EQ(file.read(&byte, 1), 0u);

    ASSERT_EQ(file.open(), 0);
    EXPECT_EQ(file.open(), -10001);
    struct SeekCase {
        long long offset;
        int whence;
        int result;
        long long position;  // after the call
    };
    const SeekCase cases[] = {
        {10, 0, 0, 10},      {5, 1, 0, 15},       {-1, 2, 0, 99}, {0, 3, -4, 99},
        {-1, 0, -12, 99},    {-200, 1, -12, 99},  {0, 2, 0, 100}, {kMax, 1, -12, 100},
        {kMax, 2, -12, 100}, {kMin, 1, -12, 100},
    };
    for (const SeekCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "seek(" << c.offset << ", " << c.whence << ")");
        EXPECT_EQ(file.seek(c.offset, c.whence), c.result);
        EXPECT_EQ(file.tell(), c.position);
    }
    EXPECT_EQ(file.read(&byte, 1), 0u);
    ASSERT_EQ(file.seek(42, 0), 0);
    EXPECT_EQ(file.read(&byte, 1), 1u);
    EXPECT_EQ(byte, 42);
    file.close();
    file.close();
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(file.open(), 0);
}

TEST(OsalOutputFile, TruncatesOrAppends) {
    const std::string path = writeFixture("out.txt", {'o', 'l', 'd'});
    {
        OsalOutputFile out(path.c_str(), true);
        EXPECT_EQ(out.write("x", 1), 0);
        ASSERT_EQ(out.open(), 0);
        EXPECT_EQ(out.open(), -10001);
        EXPECT_EQ(out.write("-new", 4), 4);
    }
    EXPECT_EQ(readFile(path), "old-new");
    {
        OsalOutputFile out(path.c_str(), false);
        ASSERT_EQ(out.open(), 0);
        EXPECT_EQ(out.write("abc", 3), 3);
        out.close();
        EXPECT_EQ(out.write("z", 1), 0);
    }
    EXPECT_EQ(readFile(path), "abc");
    OsalOutputFile nowhere((TestEnv::root() + "/no/such/folder/f").c_str(), false);
    EXPECT_EQ(nowhere.open(), -12);
}

TEST(OsalPartialInputFile, ReadsExactlyTheLastWindow) {
    const std::vector<unsigned char> bytes = counting(2000);
    const std::string path = writeFixture("tail.bin", bytes);
    OsalPartialInputFile window(path.c_str(), 2, -512, 512);
    EXPECT_EQ(window.seek(0, 0), -10001);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(window.open(), 0);
        std::vector<unsigned char> got(1000);
        EXPECT_EQ(window.read(got.data(), got.size()), 512u);
        EXPECT_TRUE(std::equal(bytes.end() - 512, bytes.end(), got.begin()));
        EXPECT_EQ(window.tell(), 512);
        EXPECT_EQ(window.read(got.data(), got.size()), 0u);
        window.close();
        EXPECT_EQ(window.tell(), 0);
    }
}

TEST(OsalPartialInputFile, SeeksStayInsideTheWindow) {
    const std::string path = writeFixture("mid.bin", counting(300));
    OsalPartialInputFile window(path.c_str(), 0, 100, 50);
    ASSERT_EQ(window.open(), 0);
    struct SeekCase {
        long long offset;
        int whence;
        int result;
        long long position;
    };
    const SeekCase cases[] = {
        {10, 0, 0, 10},    {5, 1, 0, 15},     {-5, 2, 0, 45},    {0, 2, 0, 50},
        {51, 0, -4, 50},   {-1, 0, -4, 50},   {1, 1, -4, 50},    {0, 3, -4, 50},
        {kMax, 1, -4, 50}, {kMax, 2, -4, 50}, {kMin, 1, -4, 50}, {0, 0, 0, 0},
    };
    for (const SeekCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "seek(" << c.offset << ", " << c.whence << ")");
        EXPECT_EQ(window.seek(c.offset, c.whence), c.result);
        EXPECT_EQ(window.tell(), c.position);
    }
    unsigned char got[8] = {};
    ASSERT_EQ(window.seek(46, 0), 0);
    EXPECT_EQ(window.read(got, sizeof(got)), 4u);
    EXPECT_EQ(got[0], 146);
    EXPECT_EQ(got[3], 149);
    ASSERT_EQ(window.seek(0, 2), 0);
    EXPECT_EQ(window.read(got, sizeof(got)), 0u);
}

TEST(OsalPartialInputFile, OpenFailures) {
    const std::string path = writeFixture("small.bin", counting(100));
    struct OpenCase {
        int whence;
        long long offset;
        int length;
        int result;
    };
    const OpenCase cases[] = {
        {1, 0, 10, -4},       // only from the start or the end
        {0, 90, 20, -12},     // runs past the end
        {2, -512, 512, -12},  // starts before the file
        {0, 200, 1, -12},     // starts past the end
        {0, 0, -1, -12},      // negative length
        {0, 100, 0, 0},       // empty window at the end
        {2, -100, 100, 0},    // the whole file
        {0, kMax, 10, -12},   // offset + length beyond the largest offset
        {2, kMax, 0, -12},    // offset + file size beyond it
        {2, kMin, 10, -12},   // far before the file
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.whence << "/" << c.offset << "/" << c.length);
        OsalPartialInputFile window(path.c_str(), c.whence, c.offset, c.length);
        EXPECT_EQ(window.open(), c.result);
    }
    OsalPartialInputFile missing((path + ".none").c_str(), 0, 0, 1);
    EXPECT_EQ(missing.open(), -30);
}

TEST(ByteUtil, LittleEndianReaders) {
    const std::string path =
        writeFixture("le.bin", {0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x7F});
    std::unique_ptr<OsalInputFile> file(new OsalInputFile(path.c_str()));
    ASSERT_EQ(file->open(), 0);
    int i = 0;
    unsigned int u = 0;
    EXPECT_EQ(ByteUtil::readInt16(file, &i), 0);
    EXPECT_EQ(i, -2);
    ASSERT_EQ(file->seek(0, 0), 0);
    EXPECT_EQ(ByteUtil::readUInt16(file, &u), 0);
    EXPECT_EQ(u, 65534u);
    EXPECT_EQ(ByteUtil::readInt32(file, &i), 0);
    EXPECT_EQ(i, 0x12345678);
    EXPECT_EQ(ByteUtil::readInt32(file, &i), 0);
    EXPECT_EQ(i, -2);
    // One byte left: every reader fails and leaves its value alone.
    i = 7;
    u = 7;
    EXPECT_EQ(ByteUtil::readInt16(file, &i), -1);
    EXPECT_EQ(ByteUtil::readUInt16(file, &u), -1);
    EXPECT_EQ(ByteUtil::readInt32(file, &i), -1);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(u, 7u);
    std::unique_ptr<OsalInputFile> closed(new OsalInputFile(path.c_str()));
    EXPECT_EQ(ByteUtil::readInt32(closed, &i), -1);
    std::unique_ptr<OsalInputFile> none;
    EXPECT_EQ(ByteUtil::readInt16(none, &i), -1);
}

TEST(ByteUtil, BigEndianRoundTrip) {
    struct Case {
        unsigned char bytes[4];
        int value;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x00, 0x00}, 0},         {{0x12, 0x34, 0x56, 0x78}, 0x12345678},
        {{0xFF, 0xFF, 0xFF, 0xFE}, -2},        {{0x80, 0x00, 0x00, 0x00}, INT32_MIN},
        {{0x7F, 0xFF, 0xFF, 0xFF}, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ByteUtil::bytesToInt(c.bytes), c.value);
        unsigned char out[4] = {};
        ByteUtil::intToBytes(c.value, out);
        EXPECT_TRUE(std::equal(out, out + 4, c.bytes));
    }
}
