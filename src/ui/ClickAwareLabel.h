#pragma once

#include <QLabel>

#include "ClickAware.h"

// A QLabel that reports a short left click by clicked(), then calls onClick() for subclasses.
class ClickAwareLabel : public ClickAware<QLabel> {
    Q_OBJECT

  public:
    ClickAwareLabel();
    explicit ClickAwareLabel(QWidget* parent);

  signals:
    void clicked();

  private:
    void emitClicked() override;
};
