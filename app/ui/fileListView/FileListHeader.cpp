#include "FileListHeader.h"

#include <algorithm>
#include <cstdlib>

#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace {
const int kMinContentWidth = 455;
const int kMinColumnWidth = 80;
const int kBorderGrip = 5;
// The visible width of the rows less 10 px: a drag beyond it widens the scrolled area.
const int kVisibleEdge = 445;
const int kScrollBackEdge = 10;
}  // namespace

FileListHeader::FileListHeader(QWidget* parent) : QWidget(parent) {}

void FileListHeader::attach(QWidget* watchedPanel, QScrollArea* scrollArea,
                            const std::array<QWidget*, 3>& headerCells,
                            const std::array<QLabel*, 3>& borderMarkers) {
    panel = watchedPanel;
    area = scrollArea;
    cells = headerCells;
    markers = borderMarkers;
    for (QLabel* marker : markers) marker->hide();
    panel->installEventFilter(this);
}

QWidget* FileListHeader::contents() const { return area->widget(); }

void FileListHeader::applyWidths() {
    setFixedWidth(totalWidth());
    for (int i = 0; i < 3; ++i) cells[i]->setFixedWidth(widths[i]);
}

void FileListHeader::placeMarkers() {
    const int height = contents()->height();
    for (Border border : {FirstBorder, SecondBorder, RightEdge}) {
        QLabel* marker = markers[border];
        marker->setGeometry(borderX(border), 0, marker->width(), height);
    }
}

bool FileListHeader::eventFilter(QObject* watched, QEvent* event) {
    if (watched != panel) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    const QPoint pos = contents()->mapFrom(panel, static_cast<QMouseEvent*>(event)->pos());
    if (type == QEvent::MouseButtonPress)
        press(pos);
    else if (type == QEvent::MouseMove)
        move(pos);
    else
        release(pos);
    // The panel takes its presses, so that the drag's moves and release come back to it.
    return true;
}

bool FileListHeader::inBand(const QPoint& pos) const {
    return y() < pos.y() && pos.y() < y() + height();
}

int FileListHeader::borderX(Border border) const {
    switch (border) {
        case FirstBorder:
            return widths[0];
        case SecondBorder:
            return widths[0] + widths[1];
        case RightEdge:
            return totalWidth() - markers[RightEdge]->width();
        case NoBorder:
            break;
    }
    return -1;
}

FileListHeader::Border FileListHeader::borderAt(const QPoint& pos) const {
    if (!inBand(pos)) return NoBorder;
    for (Border border : {FirstBorder, SecondBorder, RightEdge}) {
        if (std::abs(pos.x() - borderX(border)) <= kBorderGrip) return border;
    }
    return NoBorder;
}

void FileListHeader::press(const QPoint& pos) {
    dragged = borderAt(pos);
    if (dragged == NoBorder) return;
    panel->setCursor(Qt::SplitHCursor);
    markers[dragged]->show();
    markers[dragged]->raise();
}

void FileListHeader::move(const QPoint& pos) {
    if (dragged == NoBorder)
        panel->setCursor(borderAt(pos) != NoBorder ? Qt::SplitHCursor : Qt::ArrowCursor);
    else
        dragTo(pos.x());
}

void FileListHeader::setContentWidth(int width) { contents()->resize(width, contents()->height()); }

void FileListHeader::dragTo(int x) {
    QScrollBar* horizontal = area->horizontalScrollBar();
    const int w3 = markers[RightEdge]->width();
    int h = 0;
    if (dragged == FirstBorder) {
        h = std::max(x, kMinColumnWidth);
        if (h > horizontal->value() + kVisibleEdge)
            setContentWidth(std::max(x, kMinContentWidth) + widths[1] + widths[2]);
    } else if (dragged == SecondBorder) {
        h = std::max(x, widths[0] + kMinColumnWidth);
        if (h > horizontal->value() + kVisibleEdge)
            setContentWidth(std::max(h, kMinContentWidth) + widths[2]);
    } else {
        h = std::max(x, widths[0] + widths[1] + kMinColumnWidth);
        if (h < horizontal->value() + kScrollBackEdge) {
            setContentWidth(std::max(h + w3, kMinContentWidth));
            horizontal->setValue(horizontal->maximum());
        }
        if (h > horizontal->value() + kVisibleEdge) {
            setContentWidth(std::max(h + w3, kMinContentWidth));
            horizontal->setValue(horizontal->maximum());
        }
    }
    markers[dragged]->move(h, 0);
}

void FileListHeader::release(const QPoint& pos) {
    if (dragged == NoBorder) return;
    const Border border = dragged;
    dragged = NoBorder;
    const bool nearOld = inBand(pos) && std::abs(pos.x() - borderX(border)) <= kBorderGrip;
    panel->setCursor(nearOld ? Qt::SplitHCursor : Qt::ArrowCursor);
    QLabel* marker = markers[border];
    marker->hide();
    if (border == FirstBorder)
        widths[0] = marker->x();
    else if (border == SecondBorder)
        widths[1] = marker->x() - widths[0];
    else
        widths[2] = marker->x() + marker->width() - widths[0] - widths[1];
    emit columnsResized();
}
