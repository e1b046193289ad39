#include "ViewEvents.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace ViewEvents {

void drag(QWidget* view, int dx, int dy) {
    const QPointF start(view->width() / 2, view->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QMouseEvent move(QEvent::MouseMove, start + QPointF(dx, dy), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, start + QPointF(dx, dy), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &release);
}

void wheel(QWidget* view, int delta) {
    const QPointF at(view->width() / 2, view->height() / 2);
    QWheelEvent event(at, view->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
}

}  // namespace ViewEvents
