// Draws the file list's button pictures (78x60, transparent) in their white, red and disabled
// (grey) variants:
//   draw_file_list_icons <resources>/image/fileListView
#include <functional>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include "PictureFiles.h"

namespace {

const int kWidth = 78;
const int kHeight = 60;

using Drawing = std::function<void(QPainter&, const QColor&)>;

void drawFolder(QPainter& p, const QColor& c) {
    QPainterPath path;
    path.moveTo(18, 16);
    path.lineTo(32, 16);
    path.lineTo(36, 21);
    path.lineTo(60, 21);
    path.lineTo(60, 44);
    path.lineTo(18, 44);
    path.closeSubpath();
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.drawLine(18, 27, 60, 27);
}

void drawSave360(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    // A ring around the sphere's equator with an arrow head.
    p.drawEllipse(QRectF(17, 22, 44, 16));
    p.drawEllipse(QRectF(29, 10, 20, 40));
    QPainterPath head;
    head.moveTo(55, 20);
    head.lineTo(61, 26);
    head.lineTo(53, 28);
    p.drawPath(head);
}

void drawYouTube(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(17, 14, 44, 32), 9, 9);
    QPainterPath play;
    play.moveTo(34, 22);
    play.lineTo(47, 30);
    play.lineTo(34, 38);
    play.closeSubpath();
    p.drawPath(frame.subtracted(play));
}

bool write(const QString& dir, const QString& name, const Drawing& draw, const QColor& colour) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, colour);
    painter.end();
    return PictureFiles::save(image, dir + "/" + name);
}

}  // namespace

int main(int argc, char** argv) {
    const QString dir =
        PictureFiles::folderArgument(argc, argv, "draw_file_list_icons", "<output folder>");
    if (dir.isEmpty()) return 2;
    const struct {
        const char* name;
        Drawing draw;
        bool disabled;  // the list disables the button while no file is open
    } icons[] = {{"icon_file", drawFolder, false},
                 {"icon_save_360", drawSave360, true},
                 {"icon_YouTube", drawYouTube, true}};
    const struct {
        const char* suffix;
        QColor colour;
    } variants[] = {{"_white", QColor(255, 255, 255)},
                    {"_red", QColor(255, 0, 0)},
                    {"_disabled", QColor(100, 100, 100)}};
    for (const auto& icon : icons) {
        for (const auto& variant : variants) {
            if (!icon.disabled && QString(variant.suffix) == "_disabled") continue;
            const QString name = QString(icon.name) + variant.suffix + ".png";
            if (!write(dir, name, icon.draw, variant.colour)) return 1;
        }
    }
    return 0;
}
