#pragma once

#include <QMouseEvent>

#include "ClickClock.h"

// The click logic of the click-aware widgets over any widget class: a short left click (press
// to release within ClickClock::kMaxClickMs) calls emitClicked(), then onClick().
template <typename Base>
class ClickAware : public Base {
  public:
    using Base::Base;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        Base::mousePressEvent(event);
        if (event->button() == Qt::LeftButton) pressTime = ClickClock::now();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        Base::mouseReleaseEvent(event);
        if (event->button() != Qt::LeftButton || !ClickClock::isClick(pressTime)) return;
        emitClicked();
        onClick();
    }

    // Emits the subclass's clicked() signal.
    virtual void emitClicked() = 0;
    // Called after clicked(); empty here.
    virtual void onClick() {}

  private:
    qint64 pressTime = 0;  // ms since the epoch, last left press
};
