// The player panel's control pictures and the view-mode bar's pictures.
#include "PlayerPictures.h"

#include "PictureFiles.h"

#include <cstdio>
#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(150, 5, 5);
const QColor kDark(60, 60, 60);
const QColor kDisabled(190, 190, 190);  // a control of the bar that does nothing yet
const QColor kHoverBack(255, 255, 255, 40);

using Shape = std::function<void(QPainter&, const QColor&)>;

// A w x h picture with the shape drawn around the centre in a 24x24 box.
QImage icon(int w, int h, const Shape& shape, const QColor& color) {
    QImage image = PictureFiles::canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(w / 2.0 - 12, h / 2.0 - 12);
    p.setPen(QPen(color, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    shape(p, color);
    return image;
}

QPolygonF triangle(double x0, double x1) {
    return QPolygonF({QPointF(x0, 4), QPointF(x1, 12), QPointF(x0, 20)});
}

void play(QPainter& p, const QColor&) { p.drawPolygon(triangle(6, 20)); }
void pause(QPainter& p, const QColor&) {
    p.drawRect(QRectF(6, 4, 4, 16));
    p.drawRect(QRectF(14, 4, 4, 16));
}
void stop(QPainter& p, const QColor&) { p.drawRect(QRectF(5, 5, 14, 14)); }
void previous(QPainter& p, const QColor&) {
    p.drawRect(QRectF(4, 4, 2, 16));
    p.drawPolygon(triangle(20, 7));
}
void next(QPainter& p, const QColor&) {
    p.drawRect(QRectF(18, 4, 2, 16));
    p.drawPolygon(triangle(4, 17));
}
void playOnce(QPainter& p, const QColor&) {
    p.drawLine(QPointF(2, 12), QPointF(16, 12));
    p.drawPolygon(QPolygonF({QPointF(16, 7), QPointF(22, 12), QPointF(16, 17)}));
}
void loop(QPainter& p, const QColor&) {
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 4, 18, 16), 30 * 16, 300 * 16);
    p.setBrush(p.pen().color());
    p.drawPolygon(QPolygonF({QPointF(17, 2), QPointF(23, 7), QPointF(16, 9)}));
}
void snapshot(QPainter& p, const QColor& c) {
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2, 7, 20, 14), 2, 2);
    p.drawEllipse(QPointF(12, 14), 4, 4);
    p.setBrush(c);
    p.drawRect(QRectF(8, 4, 8, 3));
}
void speaker(QPainter& p) {
    p.drawPolygon(QPolygonF({QPointF(2, 9), QPointF(7, 9), QPointF(13, 4), QPointF(13, 20),
                             QPointF(7, 15), QPointF(2, 15)}));
    p.setBrush(Qt::NoBrush);
}
void volumeOn(QPainter& p, const QColor&) {
    speaker(p);
    p.drawArc(QRectF(10, 7, 8, 10), -60 * 16, 120 * 16);
    p.drawArc(QRectF(8, 3, 14, 18), -60 * 16, 120 * 16);
}
void volumeOff(QPainter& p, const QColor&) {
    speaker(p);
    p.drawLine(QPointF(16, 9), QPointF(22, 15));
    p.drawLine(QPointF(22, 9), QPointF(16, 15));
}
// Four L-shaped corners: at the box's corners (outward) or near its centre (inward).
void corners(QPainter& p, bool outward) {
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 4; ++k) {
        const double sx = k % 2 ? -1 : 1, sy = k / 2 ? -1 : 1;
        const QPointF at(12 - sx * (outward ? 10 : 3), 12 - sy * (outward ? 10 : 3));
        const double len = outward ? 7 : -7;
        p.drawLine(at, QPointF(at.x() + sx * len, at.y()));
        p.drawLine(at, QPointF(at.x(), at.y() + sy * len));
    }
}
void zoomIn(QPainter& p, const QColor&) { corners(p, true); }
void zoomOut(QPainter& p, const QColor&) { corners(p, false); }

QImage sliderHandle(int size, const QColor& color) {
    QImage image = PictureFiles::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kWhite, 2));
    p.setBrush(color);
    p.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    return image;
}

// The caption and a symbol of each view mode on a 110x124 button.
void modeSymbol(QPainter& p, const QString& word) {
    p.setBrush(Qt::NoBrush);
    if (word == "original") {
        p.drawEllipse(QPointF(55, 46), 26, 26);
    } else if (word == "panorama") {
        p.drawRoundedRect(QRectF(14, 32, 82, 28), 4, 4);
    } else if (word == "2in1") {
        p.drawRect(QRectF(22, 22, 66, 22));
        p.drawRect(QRectF(22, 48, 66, 22));
    } else if (word == "4in1") {
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(24 + (i % 2) * 33, 22 + (i / 2) * 25, 29, 21));
    } else {
        p.drawEllipse(QPointF(55, 46), 26, 12);
        p.drawEllipse(QPointF(55, 46), 8, 8);
    }
}

QImage modePicture(const QString& word, const QString& caption, const QString& family,
                   const QColor& color, bool hover) {
    QImage image(110, 124, QImage::Format_ARGB32_Premultiplied);
    image.fill(hover ? kHoverBack : QColor(Qt::transparent));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 3));
    modeSymbol(p, word);
    QFont font(family);
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 84, 110, 30), Qt::AlignCenter, caption);
    return image;
}

}  // namespace

bool drawPlayerPictures(const QString& root, const QString&) {
    const QString dir = root + "/image/playerView/";
    const struct {
        const char* name;
        int width;
        void (*shape)(QPainter&, const QColor&);
    } icons[] = {{"icon_play", 68, play},          {"icon_pause", 68, pause},
                 {"icon_play_once", 68, playOnce}, {"icon_loop", 68, loop},
                 {"icon_stop", 68, stop},          {"icon_previous", 68, previous},
                 {"icon_next", 68, next},          {"icon_snapshot", 68, snapshot},
                 {"icon_volume_on", 36, volumeOn}, {"icon_volume_off", 36, volumeOff},
                 {"icon_zoom_in", 40, zoomIn},     {"icon_zoom_out", 40, zoomOut}};
    bool ok = true;
    for (const auto& i : icons) {
        const bool overPicture = QString(i.name).startsWith("icon_zoom");
        const QColor dark = overPicture ? kWhite : kDark;
        ok &= PictureFiles::save(icon(i.width, 40, i.shape, dark), dir + i.name + "_white.png");
        ok &= PictureFiles::save(icon(i.width, 40, i.shape, kRed), dir + i.name + "_red.png");
        // The full-screen button over the picture is never disabled.
        if (!overPicture)
            ok &= PictureFiles::save(icon(i.width, 40, i.shape, kDisabled),
                                     dir + i.name + "_disabled.png");
    }
    ok &= PictureFiles::save(sliderHandle(16, kRed), dir + "icon_slider_handle.png");
    ok &= PictureFiles::save(sliderHandle(14, kRed), dir + "icon_slider_hangle_volume.png");
    ok &= PictureFiles::save(sliderHandle(16, kDisabled), dir + "icon_slider_handle_disabled.png");
    ok &= PictureFiles::save(sliderHandle(14, kDisabled),
                             dir + "icon_slider_hangle_volume_disabled.png");
    return ok;
}

bool drawModePictures(const QString& root, const QString& family, const QString& jaFamily) {
    const QString dir = root + "/image/modeView/";
    const struct {
        const char* word;
        const char* en;
        const char* jp;
    } modes[] = {{"original", "Original", "\u30aa\u30ea\u30b8\u30ca\u30eb"},
                 {"panorama", "Panorama", "\u30d1\u30ce\u30e9\u30de"},
                 {"2in1", "2in1", "2\u753b\u9762"},
                 {"4in1", "4in1", "4\u753b\u9762"},
                 {"angle", "Angle", "\u30a2\u30f3\u30b0\u30eb"}};
    const struct {
        const char* name;
        QColor color;
        bool hover;
    } states[] = {{"white", kWhite, false},
                  {"red", kRed, false},
                  {"white_hover", kWhite, true},
                  {"red_hover", kRed, true}};
    bool ok = true;
    for (const auto& m : modes) {
        for (const auto& s : states) {
            const QString base = dir + "icon_" + m.word + "_" + s.name;
            ok &= PictureFiles::save(modePicture(m.word, m.en, family, s.color, s.hover),
                                     base + "_en.png");
            ok &= PictureFiles::save(
                modePicture(m.word, QString::fromUtf8(m.jp), jaFamily, s.color, s.hover),
                base + "_jp.png");
        }
    }
    return ok;
}
