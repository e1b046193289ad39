#pragma once

#include <QLabel>

// A QLabel that reports a short left click (press to release within 300 ms) by clicked(), then
// calls onClick() for subclasses.
class ClickAwareLabel : public QLabel {
    Q_OBJECT

public:
    ClickAwareLabel();
    explicit ClickAwareLabel(QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Called after clicked(); empty here.
    virtual void onClick();

private:
    qint64 pressTime = 0;  // ms since the epoch, last left press
};
