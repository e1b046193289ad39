// Draws the upload dialog's own pictures, the small account buttons (its bars and close
// button are the conversion overlay's): draw_upload_pictures <resources>/image/upload
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QSize small(80, 24);
    const bool ok = save(folder, "icon_btn_small_red.png", small, bar(small, kRed)) &&
                    save(folder, "icon_btn_small_gray.png", small, bar(small, kGray));
    return ok ? 0 : 1;
}
