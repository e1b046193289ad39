#include "GLViewHarness.h"

#include <QTest>

#include <cmath>

#include "FisheyeFixtures.h"
#include "ViewEvents.h"

using namespace FisheyeFixtures;

GLViewHarness::GLViewHarness(int width, int height) {
    container = new QWidget(&window);
    container->resize(40, 40);
    layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    view = new PlayerGLView(&window, container, layout);
    view->setGeometry(0, 40, width, height);
    window.resize(width, height + 40);
    window.show();
    exposed = QTest::qWaitForWindowExposed(&window);
}

QImage GLViewHarness::render(PLAYBACK_MODE mode, const std::vector<uint32_t>& pixels) {
    view->setPlaybackMode(mode);
    view->setRawData(frameOf(pixels), kCenter, kCenter, kRadius);
    return view->grabFramebuffer();
}

void GLViewHarness::drag(int dx, int dy) { ViewEvents::drag(view, dx, dy); }

void GLViewHarness::wheel(int delta) { ViewEvents::wheel(view, delta); }

int GLViewHarness::zoom() {
    int z;
    float x;
    float y;
    view->getGLViewerParams(&z, &x, &y);
    return z;
}

float GLViewHarness::angleX() {
    int z;
    float x;
    float y;
    view->getGLViewerParams(&z, &x, &y);
    return x;
}

float GLViewHarness::angleY() {
    int z;
    float x;
    float y;
    view->getGLViewerParams(&z, &x, &y);
    return -y;
}

double agreement(const QImage& gpu, const std::vector<uint32_t>& reference, double tolerance) {
    int considered = 0;
    int close = 0;
    for (int y = 0; y < gpu.height(); ++y) {
        for (int x = 0; x < gpu.width(); ++x) {
            const uint32_t expected = reference[size_t(y) * gpu.width() + x];
            if (!isCoded(expected)) continue;
            ++considered;
            const uint32_t got = gpu.pixel(x, y);
            if (isCoded(got) && std::hypot(codedX(got) - codedX(expected),
                                           codedY(got) - codedY(expected)) <= tolerance)
                ++close;
        }
    }
    return considered < gpu.width() * gpu.height() / 10 ? 0.0 : double(close) / considered;
}
