#pragma once

#include "BaseStyledText.h"

// A speech bubble with the arrow below its box, pointing down; the base box is drawn first.
class BottomArrowText : public BaseStyledText {
    Q_OBJECT

  public:
    BottomArrowText(QWidget* parent, bool framed);
    void setText(QString text) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
