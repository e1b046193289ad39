#pragma once

#include <QWidget>

#include "ClickAware.h"

// A QWidget that reports a short left click by clicked(), then calls onClick() for subclasses.
class ClickAwareWidget : public ClickAware<QWidget> {
    Q_OBJECT

  public:
    ClickAwareWidget();
    explicit ClickAwareWidget(QWidget* parent);

  signals:
    void clicked();

  private:
    void emitClicked() override;
};
