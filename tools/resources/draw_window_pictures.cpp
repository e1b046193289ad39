// Draws the main window's and overlays' pictures into resources/image/...
// Usage: draw_window_pictures <resources folder>   (run with QT_QPA_PLATFORM=offscreen)
//
// title/: the window icon, the product logo, the file-name backdrop, the info and OK
// buttons (white and red); waiting.gif: a 50x50 spinner of 12 frames.
#include <cstdio>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtMath>

#include "PictureFiles.h"

namespace {

using PictureFiles::canvas;
using PictureFiles::save;

const QColor kWhite(255, 255, 255);
const QColor kRed(209, 0, 0);

QFont boldFont(int pixelSize) {
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

QImage logo() {
    QImage image = canvas(206, 40);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kWhite);
    p.setFont(boldFont(19));
    p.drawText(image.rect(), Qt::AlignCenter, "QUENDRA TRELLIQ");
    return image;
}

QImage windowIcon() {
    QImage image = canvas(64, 64);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(26, 26, 26));
    p.setPen(QPen(kRed, 4));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    p.setPen(kWhite);
    p.setFont(boldFont(22));
    p.drawText(image.rect(), Qt::AlignCenter, "QT");
    return image;
}

QImage fileNameBackdrop() {
    QImage image = canvas(460, 40);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(80, 80, 80), 1));
    p.setBrush(QColor(45, 45, 45));
    p.drawRoundedRect(QRectF(0.5, 0.5, 459, 39), 8, 8);
    return image;
}

QImage infoButton(const QColor& colour) {
    QImage image = canvas(40, 40);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 5, 30, 30));
    p.setPen(colour);
    p.setFont(boldFont(20));
    p.drawText(image.rect(), Qt::AlignCenter, "i");
    return image;
}

QImage okButton(const QColor& colour) {
    QImage image = canvas(136, 46);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 2));
    p.drawRoundedRect(QRectF(8, 6, 120, 34), 17, 17);
    p.setFont(boldFont(18));
    p.drawText(image.rect(), Qt::AlignCenter, "OK");
    return image;
}

// One spinner frame in palette indices: 0 transparent, 1 to 12 dots fading out.
QByteArray spinnerFrame(int step) {
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int dot = 0; dot < 12; ++dot) {
        double angle = (dot - step) * M_PI / 6.0;
        int level = dot + 1;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(level, 0, 0));
        p.drawEllipse(QPointF(25 + 18 * qSin(angle), 25 - 18 * qCos(angle)), 4, 4);
    }
    p.end();
    QByteArray indices;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) indices.append(char(qRed(image.pixel(x, y))));
    return indices;
}

void appendWord(QByteArray* out, int value) {
    out->append(char(value & 0xff));
    out->append(char((value >> 8) & 0xff));
}

// LZW data without compression: 9-bit codes, a clear code before the table would grow.
QByteArray lzwUncompressed(const QByteArray& indices) {
    const int clear = 256, end = 257;
    QByteArray bits;
    quint32 buffer = 0;
    int count = 0;
    auto emitCode = [&](int code) {
        buffer |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            bits.append(char(buffer & 0xff));
            buffer >>= 8;
            count -= 8;
        }
    };
    for (int i = 0; i < indices.size(); ++i) {
        if (i % 250 == 0) emitCode(clear);
        emitCode((unsigned char)indices[i]);
    }
    emitCode(end);
    if (count > 0) bits.append(char(buffer & 0xff));
    QByteArray out(1, char(8));
    for (int i = 0; i < bits.size(); i += 255) {
        QByteArray block = bits.mid(i, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    return out;
}

QByteArray spinnerGif() {
    QByteArray gif("GIF89a");
    appendWord(&gif, 50);
    appendWord(&gif, 50);
    gif.append(char(0xf7)).append(char(0)).append(char(0));  // 256-colour global table
    for (int i = 0; i < 256; ++i) {
        int level = qBound(0, i, 12);
        int shade = 60 + level * 195 / 12;
        gif.append(char(shade)).append(char(i <= 12 ? level * 2 : 0)).append(char(level * 2));
    }
    gif.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int step = 0; step < 12; ++step) {
        gif.append("\x21\xf9\x04\x09", 4);  // transparent index, restore to background
        appendWord(&gif, 8);
        gif.append(char(0)).append(char(0));
        gif.append(char(0x2c));
        appendWord(&gif, 0);
        appendWord(&gif, 0);
        appendWord(&gif, 50);
        appendWord(&gif, 50);
        gif.append(char(0));
        gif.append(lzwUncompressed(spinnerFrame(step)));
    }
    gif.append(char(0x3b));
    return gif;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder =
        PictureFiles::folderArgument(argc, argv, "draw_window_pictures", "<resources folder>");
    if (folder.isEmpty()) return 2;
    QDir root(folder);
    root.mkpath("image/title");
    QString title = root.filePath("image/title/");
    bool ok = save(windowIcon(), title + "icon_logo.png") &&
              save(logo(), title + "QUENDRA LOGO_White.png") &&
              save(fileNameBackdrop(), title + "bg_file_name.png") &&
              save(infoButton(kWhite), title + "icon_info_white.png") &&
              save(infoButton(kRed), title + "icon_info_red.png") &&
              save(okButton(kWhite), title + "icon_ok_white.png") &&
              save(okButton(kRed), title + "icon_ok_red.png");
    QFile gif(root.filePath("image/waiting.gif"));
    if (!ok || !gif.open(QIODevice::WriteOnly) || gif.write(spinnerGif()) < 0) return 1;
    return 0;
}
