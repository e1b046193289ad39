#include "ClickAwareLabel.h"

#include <QMouseEvent>

#include "ClickClock.h"

ClickAwareLabel::ClickAwareLabel() : ClickAwareLabel(nullptr) {}

ClickAwareLabel::ClickAwareLabel(QWidget* parent) : QLabel(parent) {}

void ClickAwareLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        pressTime = ClickClock::now();
}

void ClickAwareLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !ClickClock::isClick(pressTime))
        return;
    emit clicked();
    onClick();
}

void ClickAwareLabel::onClick() {}
