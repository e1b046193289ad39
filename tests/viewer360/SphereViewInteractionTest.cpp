// The interaction shared by the player's dewarp view and the generic viewers: one table of
// drags, wheel turns, resets and coordinate round trips, run for every view.
#include <gtest/gtest.h>

#include <cmath>

#include "SphereViewHarness.h"

namespace {

const auto kViews =
    testing::Values(SphereView::Player, SphereView::Viewer, SphereView::DewarpViewer);

struct DragCase {
    int dx;
    int dy;
    float angleX;
    float angleY;
};

class Drag : public testing::TestWithParam<std::tuple<SphereView, DragCase>> {};

TEST_P(Drag, TurnsTheViewWithinItsLimits) {
    const DragCase c = std::get<1>(GetParam());
    SphereViewHarness h(std::get<0>(GetParam()), 400, 200);
    h.drag(c.dx, c.dy);
    EXPECT_NEAR(h.angleX(), c.angleX, 1e-4);
    EXPECT_NEAR(h.angleY(), c.angleY, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, Drag,
    testing::Combine(kViews, testing::Values(DragCase{0, 100, -10, 0}, DragCase{0, -100, 10, 0},
                                             DragCase{0, 1000, -60, 0}, DragCase{0, -1000, 60, 0},
                                             DragCase{100, 0, 0, -10}, DragCase{-3700, 0, 0, 370},
                                             DragCase{30, -40, 4, -3})));

struct WheelCase {
    int delta;
    int turns;
    int zoom;
};

class Wheel : public testing::TestWithParam<std::tuple<SphereView, WheelCase>> {};

TEST_P(Wheel, StepsTheZoomWithinItsLimits) {
    const WheelCase c = std::get<1>(GetParam());
    SphereViewHarness h(std::get<0>(GetParam()), 400, 200);
    for (int i = 0; i < c.turns; ++i) h.wheel(c.delta);
    EXPECT_EQ(h.zoom(), c.zoom);
}

INSTANTIATE_TEST_SUITE_P(
    Turns, Wheel,
    testing::Combine(kViews, testing::Values(WheelCase{120, 1, 6}, WheelCase{-120, 1, 8},
                                             WheelCase{60, 1, 7}, WheelCase{50, 3, 7},
                                             WheelCase{240, 1, 5}, WheelCase{120, 10, 5},
                                             WheelCase{-120, 100, 60}, WheelCase{-1200, 1, 19})));

class EachView : public testing::TestWithParam<SphereView> {};

// Upward drags past the limit leave angleX at 60, whatever came before.
TEST_P(EachView, DragStaysAtTheLimit) {
    SphereViewHarness h(GetParam(), 400, 200);
    for (int i = 0; i < 8; ++i) h.drag(0, -100);
    EXPECT_FLOAT_EQ(h.angleX(), 60.0f);
    h.drag(0, 100);
    EXPECT_NEAR(h.angleX(), 50.0f, 1e-4);
}

// Each paint runs one reset step; the state after every step.
TEST_P(EachView, ResetTakesTenStepsAndIgnoresClicksMeanwhile) {
    SphereViewHarness h(GetParam(), 400, 200);
    h.paint();
    h.drag(-3700, 300);                         // angleY 370, angleX -30
    for (int i = 0; i < 5; ++i) h.wheel(-120);  // zoom 12
    QPushButton* button = h.resetButton();
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
        h.paint();
        if (i == 2) button->click();  // ignored: the steps stay those of the first click
        EXPECT_NEAR(h.angleX(), steps[i].angleX, 1e-3) << i;
        EXPECT_NEAR(h.angleY(), steps[i].angleY, 1e-3) << i;
        EXPECT_EQ(h.zoom(), steps[i].zoom) << i;
    }
    EXPECT_EQ(h.angleX(), 0.0f);
    EXPECT_EQ(h.angleY(), 0.0f);
    h.paint();  // the reset has ended: nothing moves any more
    h.drag(0, 100);
    EXPECT_NEAR(h.angleX(), -10.0f, 1e-4);
    h.paint();
    EXPECT_NEAR(h.angleX(), -10.0f, 1e-4);
}

TEST_P(EachView, ResetButtonStartsHiddenUntilAsked) {
    SphereViewHarness h(GetParam(), 400, 200);
    h.paint();
    QPushButton* button = h.resetButton();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isHidden());
    h.setResetButtonVisible(true);
    EXPECT_FALSE(button->isHidden());
    h.setResetButtonVisible(false);
    EXPECT_TRUE(button->isHidden());
}

struct ViewState {
    int dx;
    int dy;
    int notches;
};

class RoundTrip : public testing::TestWithParam<std::tuple<SphereView, ViewState>> {};

TEST_P(RoundTrip, ScreenPositionOfCoordinateReturnsToThePixel) {
    const ViewState s = std::get<1>(GetParam());
    SphereViewHarness h(std::get<0>(GetParam()), 1104, 552);
    h.drag(s.dx, s.dy);
    h.wheel(120 * s.notches);
    for (int y = 0; y < 552; y += 23) {
        for (int x = 0; x < 1104; x += 23) {
            double lat;
            double lon;
            h.toCoordinate(x, y, &lat, &lon);
            int backX;
            int backY;
            h.toScreenPosition(lat, lon, &backX, &backY);
            ASSERT_LE(std::abs(backX - x), 1) << x << "," << y;
            ASSERT_LE(std::abs(backY - y), 1) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, RoundTrip,
    testing::Combine(kViews, testing::Values(ViewState{0, 0, 0}, ViewState{300, 200, 2},
                                             ViewState{-1500, -600, -10}, ViewState{900, 450, -53},
                                             ViewState{50, -550, 0})));

TEST_P(EachView, ScreenCentreShowsTheHorizonAheadAtRest) {
    SphereViewHarness h(GetParam(), 1104, 552);
    double lat;
    double lon;
    h.toCoordinate(552, 276, &lat, &lon);
    EXPECT_NEAR(lat, 0.0, 0.2);
    int x;
    int y;
    h.toScreenPosition(0.0, lon, &x, &y);
    EXPECT_LE(std::abs(x - 552), 1);
    EXPECT_LE(std::abs(y - 276), 1);
}

// The direction opposite the screen centre is the projection pole.
TEST_P(EachView, PointBehindThePoleMapsToTheOrigin) {
    SphereViewHarness h(GetParam(), 1104, 552);
    double lat;
    double lon;
    h.toCoordinate(552, 276, &lat, &lon);
    int x = -1;
    int y = -1;
    h.toScreenPosition(-lat, lon + 180.0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

INSTANTIATE_TEST_SUITE_P(Views, EachView, kViews);

}  // namespace
