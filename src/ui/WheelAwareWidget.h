#pragma once

#include <QWidget>

// A QWidget that takes every wheel event and reports its vertical turn by wheelMoved.
class WheelAwareWidget : public QWidget {
    Q_OBJECT

  public:
    WheelAwareWidget();
    explicit WheelAwareWidget(QWidget* parent);

  signals:
    // Eighths of a degree (120 for one notch of a common wheel); 0 for a horizontal-only turn.
    void wheelMoved(int offset);

  protected:
    void wheelEvent(QWheelEvent* event) override;
};
