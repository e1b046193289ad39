#pragma once

#include <QImage>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "PlayerGLView.h"

// A shown dewarp view of a given size with its reset-button container, as the panel holds it.
struct GLViewHarness {
    GLViewHarness(int width, int height);

    // Mode, frame and lens circle of the fixtures, then a fresh grab.
    QImage render(PLAYBACK_MODE mode, const std::vector<uint32_t>& pixels);
    // Drags in the view by (dx, dy) pixels with the left button.
    void drag(int dx, int dy);
    // Sends one wheel turn of `delta` (120 a notch).
    void wheel(int delta);
    // Zoom level, angleX and the view's own angleY (not negated).
    int zoom();
    float angleX();
    float angleY();

    QWidget window;
    QWidget* container;
    QVBoxLayout* layout;
    PlayerGLView* view;
    bool exposed = false;
};

// Share of the reference's coded pixels that `gpu` decodes to within `tolerance` pixels.
double agreement(const QImage& gpu, const std::vector<uint32_t>& reference, double tolerance);
