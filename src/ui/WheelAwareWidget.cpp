#include "WheelAwareWidget.h"

#include <QWheelEvent>

WheelAwareWidget::WheelAwareWidget() : WheelAwareWidget(nullptr) {}

WheelAwareWidget::WheelAwareWidget(QWidget* parent) : QWidget(parent) {}

void WheelAwareWidget::wheelEvent(QWheelEvent* event) {
    event->accept();
    emit wheelMoved(event->angleDelta().y());
}
