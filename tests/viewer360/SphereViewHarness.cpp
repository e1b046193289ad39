#include "SphereViewHarness.h"

#include <QTest>

#include <vector>

#include "FisheyeFixtures.h"
#include "OpenGL360DewarpViewer.h"
#include "OpenGL360Viewer.h"
#include "PlayerGLView.h"
#include "ViewEvents.h"

std::ostream& operator<<(std::ostream& out, SphereView kind) {
    const char* names[] = {"PlayerGLView", "OpenGL360Viewer", "OpenGL360DewarpViewer"};
    return out << names[static_cast<int>(kind)];
}

namespace {

const std::vector<uint32_t>& grey() {
    static const std::vector<uint32_t> pixels = FisheyeFixtures::uniformPixels(0xFF808080u);
    return pixels;
}

}  // namespace

template <typename View>
void SphereViewHarness::bind(View* v) {
    view = v;
    params = [v](int* z, float* x, float* y) { v->getGLViewerParams(z, x, y); };
    coordinate = [v](int x, int y, double* lat, double* lon) { v->toCoordinate(x, y, lat, lon); };
    screenPosition = [v](double lat, double lon, int* x, int* y) {
        v->toScreenPosition(lat, lon, x, y);
    };
    buttonVisible = [v](bool visible) { v->setResetButtonVisible(visible); };
}

SphereViewHarness::SphereViewHarness(SphereView kind, int width, int height) {
    container = new QWidget(&window);
    container->resize(40, 40);
    layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    const int size = FisheyeFixtures::kSize;
    switch (kind) {
        case SphereView::Player: {
            auto* v = new PlayerGLView(&window, container, layout);
            v->setPlaybackMode(MODE_ANGLE);
            v->setRawData(FisheyeFixtures::frameOf(grey()), 128, 128, 120);
            bind(v);
            break;
        }
        case SphereView::Viewer: {
            auto* v = new OpenGL360Viewer(&window, container, layout, GL360_BGRA);
            v->setRawData(grey().data(), size, size);
            bind(v);
            break;
        }
        case SphereView::DewarpViewer: {
            auto* v = new OpenGL360DewarpViewer(&window, container, layout);
            v->setRawData(grey().data(), size, size);
            bind(v);
            break;
        }
    }
    view->setGeometry(0, 40, width, height);
    window.resize(width, height + 40);
    window.show();
    exposed = QTest::qWaitForWindowExposed(&window);
}

void SphereViewHarness::drag(int dx, int dy) { ViewEvents::drag(view, dx, dy); }

void SphereViewHarness::wheel(int delta) { ViewEvents::wheel(view, delta); }

int SphereViewHarness::zoom() const {
    int z;
    float x;
    float y;
    params(&z, &x, &y);
    return z;
}

float SphereViewHarness::angleX() const {
    int z;
    float x;
    float y;
    params(&z, &x, &y);
    return x;
}

float SphereViewHarness::angleY() const {
    int z;
    float x;
    float y;
    params(&z, &x, &y);
    return -y;
}

void SphereViewHarness::toCoordinate(int x, int y, double* latitude, double* longitude) const {
    coordinate(x, y, latitude, longitude);
}

void SphereViewHarness::toScreenPosition(double latitude, double longitude, int* x, int* y) const {
    screenPosition(latitude, longitude, x, y);
}

void SphereViewHarness::setResetButtonVisible(bool visible) { buttonVisible(visible); }

QPushButton* SphereViewHarness::resetButton() const { return container->findChild<QPushButton*>(); }

QImage SphereViewHarness::paint() { return view->grabFramebuffer(); }
