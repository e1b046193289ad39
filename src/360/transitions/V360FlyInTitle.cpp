// Fly-in title:
//   1. split the text into two lines;
//   2. draw each character into its own white cell, each with the next flight angle;
//   3. place the lines centred in the box;
//   4. per frame: background, then every cell offset along its angle by (1 - e) of the frame.
#include "V360FlyInTitle.h"

#include <cmath>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

V360FlyInTitle::V360FlyInTitle(int type, int width, int height, void* text)
    : V360BoxTitle(type, width, height) {
    updateTitleText(fromText(text));
}

void V360FlyInTitle::releaseResource() {
    line1.clear();
    line2.clear();
}

void V360FlyInTitle::updateTitleText(QString text) {
    releaseResource();
    const QStringList parts = text.split("\n");
    line1 = buildLine(parts.value(0));
    line2 = buildLine(parts.size() > 1 ? parts.value(1) : QString());
    placeLine(line1, top + boxH / 2);
    if (!line1.empty())
        placeLine(line2, line1.front().y + static_cast<int>(1.5 * 72 * height / 2160));
}

std::vector<CharacterBuffer> V360FlyInTitle::buildLine(const QString& text) {
    const QFont font = titleFont(QString());
    const QFontMetrics metrics(font);
    const int cellHeight = static_cast<int>(1.5 * 72 * height / 2160);
    std::vector<CharacterBuffer> cells;
    int x = 0;
    for (const QChar ch : text) {
        CharacterBuffer cell;
        cell.width = metrics.horizontalAdvance(ch);
        cell.height = cellHeight;
        cell.x = x;
        cell.angle = static_cast<float>(runningAngle * M_PI / 180);
        runningAngle += 110;
        if (runningAngle >= 360) runningAngle -= 360;
        x += cell.width;
        if (cell.width > 0 && cell.height > 0) {
            cell.pixels.assign(size_t(cell.width) * cell.height * 4, 0);
            QImage image(cell.pixels.data(), cell.width, cell.height, QImage::Format_RGB32);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(QColor("#ffffff"));
            painter.drawText(image.rect(), Qt::AlignCenter, QString(ch));
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

void V360FlyInTitle::placeLine(std::vector<CharacterBuffer>& cells, int y) {
    float total = 0;
    for (const CharacterBuffer& cell : cells) total += cell.width;
    const float shift = gap + (boxW - total) / 2;
    for (CharacterBuffer& cell : cells) {
        cell.x = static_cast<int>(cell.x + shift);
        cell.y = y;
    }
}

void V360FlyInTitle::composeTransitionFrame(double progress, void*, void*, void* dst) {
    if (!inRange(progress) || !dst) return;
    drawBackground(dst);
    const double rest = 1.0 - effectProgress(progress);
    for (const std::vector<CharacterBuffer>* cells : {&line1, &line2}) {
        for (const CharacterBuffer& cell : *cells) {
            const int dx = static_cast<int>(width * std::cos(cell.angle) * rest);
            const int dy = static_cast<int>(height * std::sin(cell.angle) * rest);
            blendCopies(dst, cell.pixels.data(), cell.width, cell.height, cell.x + dx, cell.y + dy);
        }
    }
}
