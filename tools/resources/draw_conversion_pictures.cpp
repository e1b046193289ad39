// Draws the conversion overlay's pictures (size buttons, bars, close button):
//   draw_conversion_pictures <resources>/image/fileListView
#include <cstdio>
#include <functional>

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include "PictureFiles.h"

namespace {

using Drawing = std::function<void(QPainter&)>;

bool write(const QString& path, QSize size, const Drawing& draw) {
    // Straight alpha: the size labels' anti-aliasing is tuned on it.
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return PictureFiles::save(image, path);
}

// A size button: rounded frame, a small equirectangular grid and the size below it.
Drawing sizeButton(const QString& label, const QColor& frame, const QColor& text) {
    return [=](QPainter& p) {
        p.setPen(QPen(frame, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(4, 4, 137, 82), 10, 10);
        p.setPen(QPen(text, 2));
        const QRectF grid(42, 14, 60, 30);
        p.drawRect(grid);
        p.drawLine(QPointF(grid.left(), grid.center().y()),
                   QPointF(grid.right(), grid.center().y()));
        p.drawLine(QPointF(grid.center().x(), grid.top()),
                   QPointF(grid.center().x(), grid.bottom()));
        QFont font;
        font.setPixelSize(18);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 50, 145, 30), Qt::AlignCenter, label);
    };
}

Drawing bar(const QColor& colour) {
    return [=](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0, 0, 420, 46), 8, 8);
    };
}

void drawClose(QPainter& p) {
    p.setPen(QPen(QColor(255, 255, 255), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(9, 9, 23, 23);
    p.drawLine(23, 9, 9, 23);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);  // fonts for the size labels
    const QString dir = PictureFiles::folderArgument(argc, argv, "draw_conversion_pictures",
                                                     "<resources>/image/fileListView");
    if (dir.isEmpty()) return 2;
    const QColor white(255, 255, 255), grey(90, 90, 90), red(209, 0, 0);
    struct Picture {
        QString name;
        QSize size;
        Drawing draw;
    };
    QList<Picture> pictures = {{"icon_btn_red.png", {420, 46}, bar(red)},
                               {"icon_btn_gray.png", {420, 46}, bar(QColor(110, 110, 110))},
                               {"icon_close.png", {32, 32}, drawClose}};
    for (const char* size : {"2160x1080", "2880x1440", "3840x1920"}) {
        const QString base = QString("icon_%1_").arg(size);
        pictures.append({base + "enable.png", {145, 90}, sizeButton(size, white, white)});
        pictures.append({base + "disable.png", {145, 90}, sizeButton(size, grey, grey)});
        pictures.append({base + "red.png", {145, 90}, sizeButton(size, red, red)});
    }
    for (const Picture& picture : pictures) {
        if (!write(dir + "/" + picture.name, picture.size, picture.draw)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(picture.name));
            return 1;
        }
    }
    return 0;
}
