#pragma once

#include <QWidget>

// A QWidget that reports a short left click (press to release within 300 ms) by clicked(), then
// calls onClick() for subclasses.
class ClickAwareWidget : public QWidget {
    Q_OBJECT

public:
    ClickAwareWidget();
    explicit ClickAwareWidget(QWidget* parent);

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
