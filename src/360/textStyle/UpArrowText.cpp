#include "UpArrowText.h"

#include <algorithm>

#include <QPainter>
#include <QPolygon>

UpArrowText::UpArrowText(QWidget* parent, bool framed) : BaseStyledText(parent, framed) {}

void UpArrowText::setText(QString text) { setBubbleText(text, box_.arrowHeight, box_.arrowHeight); }

void UpArrowText::paintEvent(QPaintEvent*) {
    const int a = box_.arrowHeight, w = width(), h = height();
    const int q = w / 4, f = q + std::min(q, box_.arrowWidth);
    const QPolygon outline({QPoint(0, a), QPoint(q, a), QPoint((q + f) / 2, 0), QPoint(f, a),
                            QPoint(w, a), QPoint(w, h), QPoint(0, h), QPoint(0, a)});
    QPainter painter(this);
    paintBubble(painter, outline, QPoint(box_.margin, box_.margin + a));
}
