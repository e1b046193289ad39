#include "BottomArrowText.h"

#include <algorithm>

#include <QPainter>
#include <QPolygon>

BottomArrowText::BottomArrowText(QWidget* parent, bool framed) : BaseStyledText(parent, framed) {}

void BottomArrowText::setText(QString text) { setBubbleText(text, box_.arrowHeight, 0); }

void BottomArrowText::paintEvent(QPaintEvent* event) {
    BaseStyledText::paintEvent(event);
    const int a = box_.arrowHeight, w = width();
    const int q = w / 4, f = q + std::min(q, box_.arrowWidth);
    const int b = box_.textRect(this, QPoint(box_.margin, box_.margin)).height() + 2 * box_.margin;
    const QPolygon outline({QPoint(0, 0), QPoint(w, 0), QPoint(w, b), QPoint(f, b),
                            QPoint((f + q) / 2, b + a), QPoint(q, b), QPoint(0, b), QPoint(0, 0)});
    QPainter painter(this);
    paintBubble(painter, outline, QPoint(box_.margin, box_.margin));
}
