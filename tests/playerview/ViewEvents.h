#pragma once

class QWidget;

// Mouse and wheel input sent straight to a view, as a user gives it.
namespace ViewEvents {

// Presses the left button at the view's centre, moves by (dx, dy) with it held and releases.
void drag(QWidget* view, int dx, int dy);
// One wheel turn of `delta` (120 a notch) at the view's centre.
void wheel(QWidget* view, int delta);

}  // namespace ViewEvents
