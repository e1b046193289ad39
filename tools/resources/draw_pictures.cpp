// Draws the trip-data panel's pictures into resources/image/...
// Usage: draw_pictures <resources folder>   (run with QT_QPA_PLATFORM=offscreen)
//
// 1. digits 0-9, white on transparent, 36x58;
// 2. the unit buttons "km/h" and "mph", white and red, 66x36;
// 3. the compass rose (110x110) and the pointer above it (40x40);
// 4. the no-GPS picture (130x130);
// 5. the player panel's and the view-mode bar's pictures (PlayerPictures.cpp).
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "PictureFiles.h"
#include "PlayerPictures.h"

namespace {

using PictureFiles::canvas;
using PictureFiles::save;

QString fontFamily;
const QColor kWhite(255, 255, 255);
const QColor kRed(220, 40, 40);
const QColor kGrey(120, 120, 120);

QFont font(int pixels, bool bold) {
    QFont f(fontFamily);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QImage text(int w, int h, const QString& value, int pixels, const QColor& color) {
    QImage image = canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font(pixels, true));
    p.setPen(color);
    p.drawText(image.rect(), Qt::AlignCenter, value);
    return image;
}

QImage compass() {
    QImage image = canvas(110, 110);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(55, 55);
    p.setPen(QPen(kWhite, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(0, 0), 52, 52);
    for (int deg = 0; deg < 360; deg += 30) {
        p.save();
        p.rotate(deg);
        p.drawLine(QPointF(0, -52), QPointF(0, deg % 90 == 0 ? -44 : -48));
        p.restore();
    }
    p.setFont(font(14, true));
    const char* names[] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; ++i) {
        const double a = qDegreesToRadians(90.0 * i);
        const QPointF at(36 * std::sin(a), -36 * std::cos(a));
        p.setPen(i == 0 ? kRed : kWhite);
        p.drawText(QRectF(at.x() - 10, at.y() - 10, 20, 20), Qt::AlignCenter, names[i]);
    }
    return image;
}

QImage pointer() {
    QImage image = canvas(40, 40);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(20, 2);
    arrow.lineTo(34, 36);
    arrow.lineTo(20, 28);
    arrow.lineTo(6, 36);
    arrow.closeSubpath();
    p.fillPath(arrow, kRed);
    p.setPen(QPen(kWhite, 1.5));
    p.drawPath(arrow);
    return image;
}

QImage noGps() {
    QImage image = canvas(130, 130);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGrey, 6));
    p.drawEllipse(QPointF(65, 65), 58, 58);
    p.drawLine(QPointF(24, 106), QPointF(106, 24));
    p.setPen(kWhite);
    p.setFont(font(26, true));
    p.drawText(QRectF(0, 0, 130, 130), Qt::AlignCenter, "GPS");
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root =
        PictureFiles::folderArgument(argc, argv, "draw_pictures", "<resources folder>");
    if (root.isEmpty()) return 2;
    const int id = QFontDatabase::addApplicationFont(root + "/font/Frutiger_bold.ttf");
    if (id >= 0) fontFamily = QFontDatabase::applicationFontFamilies(id).value(0);
    const QString info = root + "/image/infoView/";
    bool ok = true;
    for (int d = 0; d <= 9; ++d)
        ok &= save(text(36, 58, QString::number(d), 52, kWhite),
                   info + QString("icon_%1.png").arg(d));
    const struct {
        const char* name;
        const char* label;
    } units[] = {{"kmh", "km/h"}, {"mph", "mph"}};
    for (const auto& unit : units) {
        const QString base = info + "icon_" + unit.name;
        ok &= save(text(66, 36, unit.label, 20, kWhite), base + "_white.png");
        ok &= save(text(66, 36, unit.label, 20, kRed), base + "_red.png");
    }
    ok &= save(compass(), info + "icon_compass.png");
    ok &= save(pointer(), info + "icon_pointer.png");
    ok &= save(noGps(), root + "/image/playerView/icon_no_gps.png");
    const int jaId =
        QFontDatabase::addApplicationFont(root + "/font/Hiragino Kaku Gothic Pro W6.otf");
    const QString jaFamily = QFontDatabase::applicationFontFamilies(jaId).value(0);
    ok &= drawPlayerPictures(root, fontFamily);
    ok &= drawModePictures(root, fontFamily, jaFamily);
    return ok ? 0 : 1;
}
