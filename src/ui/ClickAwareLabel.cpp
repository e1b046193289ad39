#include "ClickAwareLabel.h"

ClickAwareLabel::ClickAwareLabel() : ClickAwareLabel(nullptr) {}

ClickAwareLabel::ClickAwareLabel(QWidget* parent) : ClickAware(parent) {}

void ClickAwareLabel::emitClicked() { emit clicked(); }
