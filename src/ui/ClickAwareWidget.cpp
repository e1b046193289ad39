#include "ClickAwareWidget.h"

ClickAwareWidget::ClickAwareWidget() : ClickAwareWidget(nullptr) {}

ClickAwareWidget::ClickAwareWidget(QWidget* parent) : ClickAware(parent) {}

void ClickAwareWidget::emitClicked() { emit clicked(); }
