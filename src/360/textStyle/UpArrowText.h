#pragma once

#include "BaseStyledText.h"

// A speech bubble with the arrow on its top edge, pointing up.
class UpArrowText : public BaseStyledText {
    Q_OBJECT

  public:
    UpArrowText(QWidget* parent, bool framed);
    void setText(QString text) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
