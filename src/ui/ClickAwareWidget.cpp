#include "ClickAwareWidget.h"

#include <QMouseEvent>

#include "ClickClock.h"

ClickAwareWidget::ClickAwareWidget() : ClickAwareWidget(nullptr) {}

ClickAwareWidget::ClickAwareWidget(QWidget* parent) : QWidget(parent) {}

void ClickAwareWidget::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        pressTime = ClickClock::now();
}

void ClickAwareWidget::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !ClickClock::isClick(pressTime))
        return;
    emit clicked();
    onClick();
}

void ClickAwareWidget::onClick() {}
