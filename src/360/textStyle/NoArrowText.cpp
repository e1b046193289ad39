#include "NoArrowText.h"

#include <QPainter>
#include <QPolygon>

NoArrowText::NoArrowText(QWidget* parent, bool framed) : BaseStyledText(parent, framed) {}

void NoArrowText::setText(QString text) { setBubbleText(text, 2, 0); }

void NoArrowText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBubble(painter, QPolygon(rect()), QPoint(box_.margin, box_.margin));
}
