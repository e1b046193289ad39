// Draws the upload dialog's pictures (bars, small buttons, close button):
//   draw_upload_pictures <resources>/image/upload
#include <cstdio>
#include <functional>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

namespace {

const QColor kRed(209, 0, 0);
const QColor kGray(120, 120, 120);

bool save(const QString& folder, const QString& name, const QSize& size,
          const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return image.save(folder + "/" + name);
}

std::function<void(QPainter&)> bar(const QSize& size, const QColor& colour) {
    return [size, colour](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal radius = size.height() / 2.0;
        p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), radius, radius);
    };
}

void drawClose(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(65, 65, 65));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QSize wide(420, 46);
    const QSize small(80, 24);
    const bool ok = save(folder, "icon_btn_red.png", wide, bar(wide, kRed)) &&
                    save(folder, "icon_btn_gray.png", wide, bar(wide, kGray)) &&
                    save(folder, "icon_btn_small_red.png", small, bar(small, kRed)) &&
                    save(folder, "icon_btn_small_gray.png", small, bar(small, kGray)) &&
                    save(folder, "icon_close.png", QSize(32, 32), drawClose);
    return ok ? 0 : 1;
}
