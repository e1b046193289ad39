// File utilities: sizes, unique names, MD5, folder walks without following links, JSON files,
// centre crop and in-place compression that never loses the source.
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <QColor>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "QtFileUtil.h"
#include "SimpleJsonObj.h"
#include "TestEnv.h"

namespace {

QString newDir(const char* name) { return QString::fromStdString(TestEnv::makeDir(name)); }

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(data.size(), file.write(data));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FileUtil, FormatSize) {
    const qint64 k = 1024;
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {
        {0, "0.00 Bytes"},
        {100, "100.00 Bytes"},
        {1023, "1023.00 Bytes"},
        {k, "1.00 KB"},
        {1536, "1.50 KB"},
        {k * k, "1.00 MB"},
        {k * k * k, "1.00 GB"},
        {k * k * k * k, "1.00 TB"},
        {k * k * k * k * k, "1.00 PB"},
        {k * k * k * k * k * k, "1024.00 PB"},
        {-5, "-5.00 Bytes"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, formatSize(c.bytes).toStdString()) << c.bytes;
}

TEST(FileUtil, FileExists) {
    const QString dir = newDir("exists");
    writeFile(dir + "/f.txt", "x");
    EXPECT_TRUE(fileExists(dir + "/f.txt"));
    EXPECT_FALSE(fileExists(dir));
    EXPECT_FALSE(fileExists(dir + "/none"));
}

TEST(FileUtil, FindUniqueName) {
    const QString dir = newDir("unique");
    EXPECT_EQ("a.jpg", findUniqueName(dir, "a.jpg"));
    writeFile(dir + "/a.jpg", "1");
    writeFile(dir + "/a_1.jpg", "2");
    EXPECT_EQ("a_2.jpg", findUniqueName(dir, "a.jpg"));
    writeFile(dir + "/v.x.mp4", "3");
    EXPECT_EQ("v_1.mp4", findUniqueName(dir, "v.x.mp4"));  // the middle part goes
    writeFile(dir + "/README", "4");
    EXPECT_EQ("README_1", findUniqueName(dir, "README"));
    QDir(dir).mkdir("d.png");  // a folder is not a file
    EXPECT_EQ("d.png", findUniqueName(dir, "d.png"));
}

TEST(FileUtil, FindUniqueFolder) {
    const QString dir = newDir("unique-folder");
    EXPECT_EQ("x", findUniqueFolder(dir, "x"));
    QDir(dir).mkdir("x");
    writeFile(dir + "/x_1", "file");
    EXPECT_EQ("x_2", findUniqueFolder(dir, "x"));
}

TEST(FileUtil, Md5IsUpperCaseOverAtMostTenMiB) {
    const QString dir = newDir("md5");
    writeFile(dir + "/empty", "");
    writeFile(dir + "/abc", "abc");
    EXPECT_EQ("D41D8CD98F00B204E9800998ECF8427E", toMd5(dir + "/empty").toStdString());
    EXPECT_EQ("900150983CD24FB0D6963F7D28E17F72", toMd5(dir + "/abc").toStdString());

    QByteArray big(10485760 + 777, '\0');
    for (int i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + (i >> 13));
    writeFile(dir + "/big", big);
    const QString head = QString::fromLatin1(
        QCryptographicHash::hash(big.left(10485760), QCryptographicHash::Md5).toHex().toUpper());
    EXPECT_EQ(head, toMd5(dir + "/big"));
    EXPECT_TRUE(toMd5(dir + "/missing").isEmpty());
}

// root: a (10 bytes), .hidden (5), sub/b (7), sub/.hs/c (3), sub/loop -> root,
// link -> a big file outside the tree.
QString makeTree(const char* name, const QString& outside) {
    const QString root = newDir(name);
    QDir(root).mkpath("sub/.hs");
    writeFile(root + "/a", QByteArray(10, 'a'));
    writeFile(root + "/.hidden", QByteArray(5, 'h'));
    writeFile(root + "/sub/b", QByteArray(7, 'b'));
    writeFile(root + "/sub/.hs/c", QByteArray(3, 'c'));
    EXPECT_TRUE(QFile::link(root, root + "/sub/loop"));
    writeFile(outside, QByteArray(1000, 'o'));
    EXPECT_TRUE(QFile::link(outside, root + "/link"));
    return root;
}

TEST(FileUtil, DirSizeCountsHiddenFilesAndSkipsLinks) {
    const QString root = makeTree("size", newDir("size-outside") + "/big");
    EXPECT_EQ(25, dirSize(root));
    EXPECT_EQ(0, dirSize(root + "/missing"));
}

TEST(FileUtil, CopyPathCopiesTheTreeWithoutFollowingLinks) {
    const QString root = makeTree("copy-src", newDir("copy-outside") + "/big");
    const QString dst = newDir("copy-dst");
    writeFile(dst + "/a", "kept");
    copyPath(root, dst);
    EXPECT_EQ("kept", readFile(dst + "/a"));  // an existing target stays
    EXPECT_EQ(QByteArray(7, 'b'), readFile(dst + "/sub/b"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/sub/loop"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/link"));
    EXPECT_FALSE(QFileInfo::exists(dst + "/.hidden"));
    copyPath(root + "/missing", dst);  // nothing happens
}

TEST(FileUtil, JsonFiles) {
    LogCapture& log = LogCapture::install();
    const QString dir = newDir("json");
    const QString path = dir + "/deep/er/doc.json";
    QJsonObject object;
    object["name"] = "x";
    object["n"] = 3;
    ASSERT_TRUE(saveJson(QJsonDocument(object), path));
    EXPECT_EQ(object, loadJson(path).object());
    EXPECT_TRUE(readFile(path).contains("\n    \"n\": 3"));  // indented

    std::unique_ptr<SimpleJsonObj> simple(loadSimpleJson(path));
    ASSERT_TRUE(simple);
    EXPECT_STREQ("x", simple->getString("name"));

    EXPECT_TRUE(loadJson(dir + "/missing.json").isNull());
    EXPECT_EQ(nullptr, loadSimpleJson(dir + "/missing.json"));
    EXPECT_EQ(nullptr, loadSimpleJson(dir));
    log.take();

    writeFile(dir + "/bad.json", "{\"a\":");
    EXPECT_TRUE(loadJson(dir + "/bad.json").isNull());
    std::vector<std::string> lines = log.take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].rfind("fileUtil: parse json failed: ", 0)) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find(", offset:5")) << lines[0];
    EXPECT_EQ(nullptr, loadSimpleJson(dir + "/bad.json"));
}

TEST(FileUtil, CenterCropImage) {
    QImage image(400, 200, QImage::Format_RGB32);
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 200; ++y)
            image.setPixel(x, y, x < 200 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    const QImage crop = centerCropImage(image, 100, 100);
    ASSERT_EQ(QSize(100, 100), crop.size());
    // Scaled to 200x100, the middle 100 columns: red on the left, blue on the right.
    EXPECT_EQ(qRgb(255, 0, 0), crop.pixel(10, 50));
    EXPECT_EQ(qRgb(0, 0, 255), crop.pixel(90, 50));
    EXPECT_TRUE(centerCropImage(QImage(), 10, 10).isNull());
}

// A noisy photo-sized JPEG at top quality.
QString makeJpeg(const QString& path) {
    QImage image(640, 480, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, static_cast<int>(random.bounded(256))));
    EXPECT_TRUE(image.save(path, "jpg", 100));
    return path;
}

TEST(FileUtil, CompressJpegInPlace) {
    const QString dir = newDir("compress-jpg");
    for (const char* name : {"/pic.jpg", "/UPPER.JPG"}) {
        const QString path = makeJpeg(dir + name);
        const qint64 before = QFileInfo(path).size();
        const QString temp = dir + "/temp.jpg";
        ASSERT_TRUE(compress(path, temp, 20, 0, 0)) << name;
        EXPECT_LT(QFileInfo(path).size(), before);
        EXPECT_EQ(QSize(640, 480), QImage(path).size());
        EXPECT_FALSE(QFileInfo::exists(temp));
        EXPECT_FALSE(QFileInfo::exists(path + ".compressing"));
    }
}

TEST(FileUtil, CompressLeavesOtherSuffixesAlone) {
    const QString dir = newDir("compress-png");
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(dir + "/pic.png"));
    const QByteArray before = readFile(dir + "/pic.png");
    EXPECT_FALSE(compress(dir + "/pic.png", dir + "/temp.png", 20, 0, 0));
    EXPECT_EQ(before, readFile(dir + "/pic.png"));
    EXPECT_FALSE(QFileInfo::exists(dir + "/temp.png"));
}

TEST(FileUtil, FailingCopyKeepsTheSource) {
    const QString dir = newDir("compress-fail");
    const QString path = makeJpeg(dir + "/pic.jpg");
    const QByteArray before = readFile(path);
    // A folder where the copy of the result has to go makes the copy fail.
    ASSERT_TRUE(QDir(dir).mkdir("pic.jpg.compressing"));
    const QString temp = dir + "/temp.jpg";
    EXPECT_FALSE(compress(path, temp, 20, 0, 0));
    EXPECT_EQ(before, readFile(path));
    EXPECT_FALSE(QImage(temp).isNull());  // the result is kept as well
}

TEST(FileUtil, CompressOntoItselfIsRefused) {
    const QString dir = newDir("compress-self");
    const QString path = makeJpeg(dir + "/pic.jpg");
    const QByteArray before = readFile(path);
    EXPECT_FALSE(compress(path, path, 20, 0, 0));
    EXPECT_FALSE(compress(path, dir + "/./pic.jpg", 20, 0, 0));
    EXPECT_EQ(before, readFile(path));
}

QString probeSize(const QString& path) {
    QProcess probe;
    probe.start("/usr/bin/ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                     "stream=width,height", "-of", "csv=p=0", path});
    probe.waitForFinished(60000);
    return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
}

TEST(FileUtil, CompressMp4InPlace) {
    const QString dir = newDir("compress-mp4");
    const QString path = dir + "/clip.mp4";
    QProcess make;
    make.start("/usr/bin/ffmpeg", {"-v",        "error",
                                   "-f",        "lavfi",
                                   "-i",        "testsrc=size=320x240:rate=25",
                                   "-f",        "lavfi",
                                   "-i",        "sine=frequency=440",
                                   "-t",        "2",
                                   "-c:v",      "libx264",
                                   "-b:v",      "3M",
                                   "-c:a",      "aac",
                                   "-shortest", "-y",
                                   path});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(0, make.exitCode());
    ASSERT_EQ("320,240", probeSize(path));
    const qint64 before = QFileInfo(path).size();

    const QString temp = dir + "/temp.mp4";
    ASSERT_TRUE(compress(path, temp, 100000, 160, 120));
    EXPECT_EQ("160,120", probeSize(path));
    EXPECT_LT(QFileInfo(path).size(), before);
    EXPECT_FALSE(QFileInfo::exists(temp));
}

}  // namespace
