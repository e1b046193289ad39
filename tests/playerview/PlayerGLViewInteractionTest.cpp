#include <gtest/gtest.h>

#include "FisheyeFixtures.h"
#include "GLViewHarness.h"

using namespace FisheyeFixtures;

namespace {

// Drags, wheel turns, the reset animation and the coordinate round trip are in the table that
// runs for every sphere view (tests/viewer360); these are the player's own rules.

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

}  // namespace
