// Draws the transitions' and titles' pictures into <resources>/images/...
// Usage: draw_transition_pictures <resources folder>   (run with QT_QPA_PLATFORM=offscreen)
//
// 1. the peel's line mask (grey, 44x512): byte 0 grades the peel order;
// 2. the wipe-centre mask (grey, 320x240): dark in the middle, light at the edges;
// 3. hiking and biking icons (160x128, facing right and mirrored) and their shadows: a soft
//    ramp from black under the icon to white on the uncovered side;
// 4. the logo (320x360).
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "PictureFiles.h"

namespace {

using PictureFiles::save;

QImage lineMask() {
    QImage image(44, 512, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = static_cast<uchar>(x * 150 / 43 + y * 105 / 511);
    return image;
}

QImage centreMask() {
    QImage image(320, 240, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - 159.5) / 160, dy = (y - 119.5) / 120;
            image.scanLine(y)[x] =
                static_cast<uchar>(std::min(1.0, std::hypot(dx, dy) / 1.42) * 255);
        }
    return image;
}

QImage icon(bool hiking) {
    QImage image = PictureFiles::canvas(160, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 60), 8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(250, 120, 30));
    if (hiking) {
        p.drawEllipse(QPointF(90, 24), 12, 12);
        p.drawLine(QPointF(88, 38), QPointF(80, 80));
        p.drawLine(QPointF(80, 80), QPointF(100, 118));
        p.drawLine(QPointF(80, 80), QPointF(62, 118));
        p.drawLine(QPointF(86, 50), QPointF(108, 70));
        p.drawLine(QPointF(108, 70), QPointF(116, 118));
    } else {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(40, 96), 26, 26);
        p.drawEllipse(QPointF(120, 96), 26, 26);
        p.drawLine(QPointF(40, 96), QPointF(78, 60));
        p.drawLine(QPointF(78, 60), QPointF(120, 96));
        p.drawLine(QPointF(78, 60), QPointF(90, 28));
        p.setBrush(QColor(250, 120, 30));
        p.drawEllipse(QPointF(96, 14), 10, 10);
    }
    return image;
}

// White on the side away from where the icon heads (right of a right-facing icon's start).
QImage shadow(bool whiteOnRight) {
    QImage image(160, 128, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x) {
        const int v = x * 255 / 159;
        const int g = whiteOnRight ? v : 255 - v;
        for (int y = 0; y < image.height(); ++y) image.setPixel(x, y, qRgba(g, g, g, 255));
    }
    return image;
}

QImage logo() {
    QImage image = PictureFiles::canvas(320, 360);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255), 14));
    p.setBrush(QColor(0, 120, 200));
    p.drawEllipse(QPointF(160, 160), 130, 130);
    p.setPen(QColor(255, 255, 255));
    QFont font;
    font.setPixelSize(80);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 100, 320, 120), Qt::AlignCenter, "360");
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder =
        PictureFiles::folderArgument(argc, argv, "draw_transition_pictures", "<resources folder>");
    if (folder.isEmpty()) return 2;
    const QString root = folder + "/images/";
    const QString dir = root + "transition/";
    bool ok = save(lineMask(), dir + "lineMask.png") &&
              save(centreMask(), root + "Edit/alphaTransition.png") &&
              save(logo(), root + "Vintaro360_logo.png");
    for (bool hiking : {true, false}) {
        const QString name = hiking ? "hiking" : "biking";
        const QImage right = icon(hiking);
        ok = ok && save(right, dir + name + "Right.png") &&
             save(right.mirrored(true, false), dir + name + "Left.png") &&
             save(shadow(true), dir + name + "ShadowRight.png") &&
             save(shadow(false), dir + name + "ShadowLeft.png");
    }
    return ok ? 0 : 1;
}
