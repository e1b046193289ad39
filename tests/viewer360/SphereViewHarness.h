#pragma once

#include <QImage>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <ostream>

// The three sphere views that share their drag, zoom, reset and coordinates.
enum class SphereView { Player, Viewer, DewarpViewer };
std::ostream& operator<<(std::ostream& out, SphereView kind);

// A shown sphere view of a given size with its reset-button container, set to its angle view
// and given a grey source so that it paints.
class SphereViewHarness {
  public:
    SphereViewHarness(SphereView kind, int width, int height);

    void drag(int dx, int dy);
    void wheel(int delta);
    // Zoom level, angleX and the view's own angleY (not negated).
    int zoom() const;
    float angleX() const;
    float angleY() const;
    void toCoordinate(int x, int y, double* latitude, double* longitude) const;
    void toScreenPosition(double latitude, double longitude, int* x, int* y) const;
    void setResetButtonVisible(bool visible);
    QPushButton* resetButton() const;
    QImage paint();

    QWidget window;
    QWidget* container;
    QVBoxLayout* layout;
    QOpenGLWidget* view = nullptr;
    bool exposed = false;

  private:
    template <typename View>
    void bind(View* v);

    std::function<void(int*, float*, float*)> params;
    std::function<void(int, int, double*, double*)> coordinate;
    std::function<void(double, double, int*, int*)> screenPosition;
    std::function<void(bool)> buttonVisible;
};
