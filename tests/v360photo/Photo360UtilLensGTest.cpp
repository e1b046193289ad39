// 360 photos with the lens set (210 degrees, for the whole executable): the picture seen through
// the lens model, the patch pattern below the lens edge, text overlays, and which attitude file
// a photo takes.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "BaseStyledText.h"
#include "Dewarp360.h"
#include "Photo360Util.h"
#include "RotationGeometry.h"
#include "TestEnv.h"
#include "Text360Info.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kCovered = 210;
constexpr int kPhotoW = 320, kPhotoH = 240;
// The circle the utilities take: centre of the photo, radius min(w, h) / 2 x 14 / 15.
constexpr double kCx = kPhotoW / 2.0, kCy = kPhotoH / 2.0, kRadius = 112;

struct LensOn {
    LensOn() { setCameraParameters(FRONT_DIRECTION_NORMAL, kCovered); }
} lensOn;

// Regions of the photo: four quadrants around the centre (right-up, right-down, left-up,
// left-down), each in rings of kRing pixels, bright and dark in turn.
constexpr int kRing = 28;
const QRgb kRegion[8] = {qRgb(230, 30, 30),  qRgb(30, 200, 30), qRgb(30, 30, 230),
                         qRgb(230, 230, 30), qRgb(110, 10, 10), qRgb(10, 90, 10),
                         qRgb(10, 10, 110),  qRgb(110, 110, 10)};
const QRgb kPatternColour = qRgb(200, 0, 200);
const QRgb kBlack = qRgb(0, 0, 0);

QString scratch(const QString& name) {
    static const QString dir = QString::fromStdString(TestEnv::makeDir("v360photo-lens"));
    return dir + "/" + name;
}

int regionOf(double dx, double dy) {
    const int ring = static_cast<int>(std::hypot(dx, dy) / kRing) % 2;
    return 4 * ring + (dx < 0 ? 2 : 0) + (dy < 0 ? 0 : 1);
}

// A fisheye photo painted with the regions of kRegion.
QString regionPhoto(const QString& path) {
    QImage image(kPhotoW, kPhotoH, QImage::Format_RGB32);
    for (int y = 0; y < kPhotoH; ++y)
        for (int x = 0; x < kPhotoW; ++x)
            image.setPixel(x, y, kRegion[regionOf(x + 0.5 - kCx, y + 0.5 - kCy)]);
    QDir().mkpath(QFileInfo(path).path());
    EXPECT_TRUE(image.save(path, "JPG", 95));
    return path;
}

QString solidPicture(const QString& name, QRgb colour) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = scratch(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

int distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// What the exact equidistant lens shows at row i, column j of a w x h panorama under R: a
// region (0-7), -1 for an uncovered direction, -2 near a boundary (not checked).
int expectedAt(const double R[9], int i, int j, int w, int h) {
    const double lat = kPi / 2 - i * kPi / h, lon = 2 * kPi * j / w;
    const double v[3] = {std::cos(lat) * std::cos(lon), -std::cos(lat) * std::sin(lon),
                         std::sin(lat)};
    double r[3];
    for (int k = 0; k < 3; ++k) r[k] = R[3 * k] * v[0] + R[3 * k + 1] * v[1] + R[3 * k + 2] * v[2];
    const double e = std::asin(std::max(-1.0, std::min(1.0, r[2])));
    const double edge = (90 - kCovered / 2) * kPi / 180;
    if (std::fabs(e - edge) < 0.03) return -2;
    if (e < edge) return -1;
    const double flat = std::hypot(r[0], r[1]);
    const double dist = kRadius / (kCovered / 2 * kPi / 180) * (kPi / 2 - e);
    const double dx = flat > 1e-9 ? r[0] / flat * dist : 0,
                 dy = flat > 1e-9 ? r[1] / flat * dist : 0;
    const double ringEdge = std::fmod(dist, kRing);
    if (std::fabs(dx) < 4 || std::fabs(dy) < 4 || ringEdge < 3 || ringEdge > kRing - 3) return -2;
    return regionOf(dx, dy);
}

// The share of checked pixels of `image` whose colour is the model's (the region's, or
// `uncovered` where the lens sees nothing).
double agreementWithLens(const QImage& image, const double R[9], QRgb uncovered) {
    int checked = 0, agreeing = 0;
    for (int i = 0; i < image.height(); i += 3)
        for (int j = 0; j < image.width(); j += 3) {
            const int q = expectedAt(R, i, j, image.width(), image.height());
            if (q == -2) continue;
            ++checked;
            agreeing += distance(image.pixel(j, i), q < 0 ? uncovered : kRegion[q]) < 90;
        }
    return checked > 0 ? double(agreeing) / checked : 0;
}

void standardRotation(double R[9]) { fillRotationMatrixAlongY(kPi / 4, R); }

QImage panoramaOf(const QString& src, const QString& pattern, List<Text360Info*> texts,
                  bool useAttitude, const QString& name) {
    const QString dst = scratch(name);
    EXPECT_EQ(Photo360Util::dewarp360Photo(dst, 720, 360, src, pattern, texts, useAttitude), 0);
    return QImage(dst).convertToFormat(QImage::Format_RGB32);
}

TEST(Photo360UtilLens, PanoramaShowsThePhotoThroughTheLens) {
    const QString src = regionPhoto(scratch("quadrants.jpg"));
    double R[9];
    standardRotation(R);
    const QImage plain = panoramaOf(src, "", {}, false, "plain360.jpg");
    EXPECT_GT(agreementWithLens(plain, R, kBlack), 0.99);

    // A rotation about z by 90 degrees turns the regions: the model of the standard rotation
    // no longer fits.
    double turned[9], rz[9];
    fillRotationMatrixAlongZ(kPi / 2, rz);
    rmatrixMutiply(rz, R, turned);
    EXPECT_LT(agreementWithLens(plain, turned, kBlack), 0.7);
}

TEST(Photo360UtilLens, PatternFillsWhatTheLensDoesNotSee) {
    const QString src = regionPhoto(scratch("pattern-src.jpg"));
    double R[9];
    standardRotation(R);
    const QImage patched =
        panoramaOf(src, solidPicture("magenta.png", kPatternColour), {}, false, "patched360.jpg");
    EXPECT_GT(agreementWithLens(patched, R, kPatternColour), 0.99);
    const QImage unreadable =
        panoramaOf(src, scratch("no-such-pattern.png"), {}, false, "nopattern360.jpg");
    EXPECT_GT(agreementWithLens(unreadable, R, kBlack), 0.99);
}

TEST(Photo360UtilLens, TextsAreDrawnWhereTheyArePlaced) {
    BaseStyledText::registerFonts();
    const QString src = regionPhoto(scratch("text-src.jpg"));
    const QImage bare = panoramaOf(src, "", {}, false, "bare360.jpg");
    Text360Info text("LABEL", 0);  // black text on a white box
    text.yaw = 0;
    text.pitch = 0;
    List<Text360Info*> texts;
    texts.append(&text);
    const QImage labelled = panoramaOf(src, "", texts, false, "labelled360.jpg");
    const QList<QRect> pieces = text.pieceRects();
    ASSERT_FALSE(pieces.isEmpty());
    int inside = 0, insideChanged = 0, outsideChanged = 0;
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x) {
            bool in = false;
            for (const QRect& r : pieces) in = in || r.adjusted(-2, -2, 2, 2).contains(x, y);
            const bool changed = distance(bare.pixel(x, y), labelled.pixel(x, y)) > 120;
            inside += in;
            insideChanged += in && changed;
            outsideChanged += !in && changed;
        }
    EXPECT_GT(insideChanged, inside / 3);
    EXPECT_EQ(outsideChanged, 0);
}

// A version-1 eye file holding one attitude: the camera turned by `angle` about x.
void writeEye(const QString& path, double angle) {
    auto le16 = [](int v) { return QByteArray(1, char(v & 255)) + QByteArray(1, char(v >> 8)); };
    auto le32 = [&](long long v) { return le16(int(v & 0xFFFF)) + le16(int((v >> 16) & 0xFFFF)); };
    QByteArray bytes = le16(1) + le16(0) + le16(50) + le16(0);  // version, flags, rate, padding
    const double q[4] = {std::cos(angle / 2), std::sin(angle / 2), 0, 0};
    for (int sample = 0; sample < 60; ++sample)
        for (double c : q) bytes += le32(std::llround(c * 1073741824.0));
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QImage thumbnailOf(const QString& photo) {
    QImage out;
    EXPECT_EQ(Photo360Util::getThumbnailFromSrcPhoto(photo, 160, 160, 120, &out), 0);
    return out;
}

bool samePicture(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (distance(a.pixel(x, y), b.pixel(x, y)) > 6) return false;
    return true;
}

// ".eye" beside the photo first, then "AppView/" beside it; a folder of that name is no file.
TEST(Photo360UtilLens, AttitudeFileBesideThePhotoThenInAppView) {
    const QString dir = scratch("attitude");
    struct Case {
        const char* name;
        double beside;   // angle of the eye file beside the photo; NAN: none
        double appView;  // angle of the one in AppView/; NAN: none
        double seen;     // angle the thumbnail must show; NAN: the standard rotation
    };
    const Case cases[] = {
        {"none", NAN, NAN, NAN},
        {"beside", 0.6, NAN, 0.6},
        {"appview", NAN, 0.6, 0.6},
        {"both", -0.6, 0.6, -0.6},
    };
    // The reference pictures: one photo per attitude, its eye file beside it.
    const QString reference = dir + "/reference";
    auto referenceFor = [&](double angle) {
        const QString photo = regionPhoto(reference + QString::number(angle) + "/p.jpg");
        if (!std::isnan(angle)) writeEye(reference + QString::number(angle) + "/p.eye", angle);
        return thumbnailOf(photo);
    };
    const QImage byAngle[3] = {referenceFor(NAN), referenceFor(0.6), referenceFor(-0.6)};
    ASSERT_FALSE(samePicture(byAngle[0], byAngle[1]));
    ASSERT_FALSE(samePicture(byAngle[1], byAngle[2]));
    for (const Case& c : cases) {
        const QString folder = dir + "/" + c.name;
        const QString photo = regionPhoto(folder + "/p.jpg");
        if (!std::isnan(c.beside)) writeEye(folder + "/p.eye", c.beside);
        if (!std::isnan(c.appView)) writeEye(folder + "/AppView/p.eye", c.appView);
        const QImage& expected = std::isnan(c.seen) ? byAngle[0]
                                 : c.seen > 0       ? byAngle[1]
                                                    : byAngle[2];
        EXPECT_TRUE(samePicture(thumbnailOf(photo), expected)) << c.name;
    }
    const QString folderEye = dir + "/folder";
    const QString photo = regionPhoto(folderEye + "/p.jpg");
    QDir().mkpath(folderEye + "/p.eye");
    writeEye(folderEye + "/AppView/p.eye", 0.6);
    EXPECT_TRUE(samePicture(thumbnailOf(photo), byAngle[1])) << "a folder named p.eye";
}

// The 360 photo takes the same attitude file when asked to, and the standard rotation when not.
TEST(Photo360UtilLens, PanoramaUsesTheAttitudeOnlyWhenAsked) {
    const QString folder = scratch("attitude-panorama");
    const QString src = regionPhoto(folder + "/p.jpg");
    writeEye(folder + "/AppView/p.eye", 0.6);
    double R[9];
    standardRotation(R);
    const QImage standard = panoramaOf(src, "", {}, false, "standard360.jpg");
    const QImage levelled = panoramaOf(src, "", {}, true, "levelled360.jpg");
    EXPECT_GT(agreementWithLens(standard, R, kBlack), 0.99);
    EXPECT_LT(agreementWithLens(levelled, R, kBlack), 0.9);
}

}  // namespace
