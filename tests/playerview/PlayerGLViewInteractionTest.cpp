#include <gtest/gtest.h>

#include <QPushButton>

#include <cmath>

#include "FisheyeFixtures.h"
#include "GLViewHarness.h"

using namespace FisheyeFixtures;

namespace {

struct DragCase {
    int dx;
    int dy;
    float angleX;
    float angleY;
};

class Drag : public testing::TestWithParam<DragCase> {};

TEST_P(Drag, TurnsTheAngleViewWithinItsLimits) {
    const DragCase c = GetParam();
    GLViewHarness h(400, 200);
    h.view->setPlaybackMode(MODE_ANGLE);
    h.drag(c.dx, c.dy);
    EXPECT_NEAR(h.angleX(), c.angleX, 1e-4);
    EXPECT_NEAR(h.angleY(), c.angleY, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Moves, Drag,
                         testing::Values(DragCase{0, 100, -10, 0}, DragCase{0, -100, 10, 0},
                                         DragCase{0, 1000, -60, 0}, DragCase{0, -1000, 60, 0},
                                         DragCase{100, 0, 0, -10}, DragCase{-3700, 0, 0, 370},
                                         DragCase{30, -40, 4, -3}));

struct WheelCase {
    int delta;
    int turns;
    int zoom;
};

class Wheel : public testing::TestWithParam<WheelCase> {};

TEST_P(Wheel, StepsTheZoomWithinItsLimits) {
    const WheelCase c = GetParam();
    GLViewHarness h(400, 200);
    h.view->setPlaybackMode(MODE_ANGLE);
    for (int i = 0; i < c.turns; ++i)
        h.wheel(c.delta);
    EXPECT_EQ(h.zoom(), c.zoom);
}

INSTANTIATE_TEST_SUITE_P(Turns, Wheel,
                         testing::Values(WheelCase{120, 1, 6}, WheelCase{-120, 1, 8},
                                         WheelCase{60, 1, 7}, WheelCase{60, 3, 7},
                                         WheelCase{240, 1, 5}, WheelCase{120, 10, 5},
                                         WheelCase{-120, 100, 60}, WheelCase{-1200, 1, 19}));

TEST(PlayerGLViewInteraction, OtherModesIgnoreDragAndWheel) {
    for (PLAYBACK_MODE mode : {MODE_ORIGINAL, MODE_PANORAMA, MODE_TWO_IN_ONE, MODE_FOUR_IN_ONE}) {
        GLViewHarness h(400, 200);
        h.view->setPlaybackMode(mode);
        h.drag(300, 300);
        h.wheel(-600);
        EXPECT_EQ(h.angleX(), 0.0f) << mode;
        EXPECT_EQ(h.angleY(), 0.0f) << mode;
        EXPECT_EQ(h.zoom(), 7) << mode;
    }
}

TEST(PlayerGLViewInteraction, ParamsNegateAngleY) {
    GLViewHarness h(400, 200);
    h.view->setPlaybackMode(MODE_ANGLE);
    h.drag(-300, 0);  // angleY 30
    int zoom;
    float angleX;
    float angleY;
    h.view->getGLViewerParams(&zoom, &angleX, &angleY);
    EXPECT_NEAR(angleY, -30.0f, 1e-4);
}

// Each paint runs one reset step; the state after every step.
TEST(PlayerGLViewInteraction, ResetTakesTenStepsAndIgnoresClicksMeanwhile) {
    GLViewHarness h(400, 200);
    h.view->setPlaybackMode(MODE_ANGLE);
    h.render(MODE_ANGLE, uniformPixels(0xFF808080u));
    h.drag(-3700, 300);  // angleY 370, angleX -30
    for (int i = 0; i < 5; ++i)
        h.wheel(-120);  // zoom 12
    auto* button = h.container->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_NEAR(h.angleY(), 10.0f, 1e-4);  // brought into -180..180 first
    struct Step {
        float angleX;
        float angleY;
        int zoom;
    };
    const Step steps[10] = {{-27, 9, 11}, {-24, 8, 10}, {-21, 7, 9}, {-18, 6, 8}, {-15, 5, 7},
                            {-12, 4, 7},  {-9, 3, 7},   {-6, 2, 7},  {-3, 1, 7},  {0, 0, 7}};
    for (int i = 0; i < 10; ++i) {
        h.view->grabFramebuffer();
        if (i == 2)
            button->click();  // ignored: the steps stay those of the first click
        EXPECT_NEAR(h.angleX(), steps[i].angleX, 1e-3) << i;
        EXPECT_NEAR(h.angleY(), steps[i].angleY, 1e-3) << i;
        EXPECT_EQ(h.zoom(), steps[i].zoom) << i;
    }
    EXPECT_EQ(h.angleX(), 0.0f);
    EXPECT_EQ(h.angleY(), 0.0f);
    h.view->grabFramebuffer();  // the reset has ended: nothing moves any more
    h.drag(0, 100);
    EXPECT_NEAR(h.angleX(), -10.0f, 1e-4);
    h.view->grabFramebuffer();
    EXPECT_NEAR(h.angleX(), -10.0f, 1e-4);
}

struct ViewState {
    int dx;
    int dy;
    int notches;
};

class RoundTrip : public testing::TestWithParam<ViewState> {};

TEST_P(RoundTrip, ScreenPositionOfCoordinateReturnsToThePixel) {
    const ViewState s = GetParam();
    GLViewHarness h(1104, 552);
    h.view->setPlaybackMode(MODE_ANGLE);
    h.drag(s.dx, s.dy);
    h.wheel(120 * s.notches);
    for (int y = 0; y < 552; y += 23) {
        for (int x = 0; x < 1104; x += 23) {
            double lat;
            double lon;
            h.view->toCoordinate(x, y, &lat, &lon);
            int backX;
            int backY;
            h.view->toScreenPosition(lat, lon, &backX, &backY);
            ASSERT_LE(std::abs(backX - x), 1) << x << "," << y;
            ASSERT_LE(std::abs(backY - y), 1) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(States, RoundTrip,
                         testing::Values(ViewState{0, 0, 0}, ViewState{300, 200, 2},
                                         ViewState{-1500, -600, -10}, ViewState{900, 450, -53},
                                         ViewState{50, -550, 0}));

TEST(PlayerGLViewInteraction, ScreenCentreShowsTheHorizonAheadAtRest) {
    GLViewHarness h(1104, 552);
    double lat;
    double lon;
    h.view->toCoordinate(552, 276, &lat, &lon);
    EXPECT_NEAR(lat, 0.0, 0.2);
    int x;
    int y;
    h.view->toScreenPosition(0.0, lon, &x, &y);
    EXPECT_LE(std::abs(x - 552), 1);
    EXPECT_LE(std::abs(y - 276), 1);
}

}  // namespace
