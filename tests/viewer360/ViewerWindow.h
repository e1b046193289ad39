#pragma once

#include <QImage>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdint>
#include <cstdlib>

// A shown generic viewer of a given size with its reset-button container.
template <typename View>
struct ViewerWindow {
    template <typename... Args>
    ViewerWindow(int width, int height, Args... args) {
        container = new QWidget(&window);
        container->resize(40, 40);
        layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new View(&window, container, layout, args...);
        view->setGeometry(0, 40, width, height);
        window.resize(width, height + 40);
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }

    QImage paint() { return view->grabFramebuffer(); }
    QRgb centre() {
        const QImage image = paint();
        return image.pixel(image.width() / 2, image.height() / 2);
    }

    QWidget window;
    QWidget* container;
    QVBoxLayout* layout;
    View* view;
    bool exposed = false;
};

// Whether the two colours differ by at most `tolerance` in each of R, G and B.
inline bool near(QRgb a, QRgb b, int tolerance = 2) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}
