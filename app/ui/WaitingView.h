#pragma once

#include <memory>

#include <QWidget>

#include "ui_WaitingView.h"

class QMovie;

// The busy overlay: an animated indicator centred on a translucent dark backdrop that
// covers its parent.
class WaitingView : public QWidget, private Ui_WaitingView {
    Q_OBJECT

  public:
    explicit WaitingView(QWidget* parent);
    ~WaitingView() override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::unique_ptr<QMovie> movie;
};
