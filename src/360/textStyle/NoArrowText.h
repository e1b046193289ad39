#pragma once

#include "BaseStyledText.h"

// A bubble box without an arrow.
class NoArrowText : public BaseStyledText {
    Q_OBJECT

  public:
    NoArrowText(QWidget* parent, bool framed);
    void setText(QString text) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
