#include "WaitingView.h"

#include <QMovie>
#include <QResizeEvent>

#include "MainWindowResources.h"

WaitingView::WaitingView(QWidget* parent) : QWidget(parent) {
    MainWindowResources::init();
    setupUi(this);
    if (parent) {
        setGeometry(0, 0, parent->width(), parent->height());
        bgView->setGeometry(rect());
        widget->setGeometry(rect());
    }
    movie = std::make_unique<QMovie>(":/image/waiting.gif");
    lblWaitIcon->setMovie(movie.get());
    movie->setScaledSize(lblWaitIcon->size());
    movie->start();
}

WaitingView::~WaitingView() = default;

void WaitingView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    bgView->resize(event->size());
    widget->resize(event->size());
}
