#include <cmath>
#include <ostream>

#include <gtest/gtest.h>

#include "FisheyeLens.h"

namespace {

constexpr double kPi = 3.141592653589793;

// A lens circle of radius 105 in a 400x300 frame: one pixel from the centre per degree off the
// axis.
FisheyeCircle circleAt(float centerX, float centerY) { return {centerX, centerY, 105, 400, 300}; }
const FisheyeCircle kCircle = circleAt(200, 150);

struct Direction {
    double offAxis;  // degrees from the lens axis
    double toward;   // degrees around it: 0 toward +x, 90 toward +y
};

void lensVector(Direction d, float out[3]) {
    const double off = d.offAxis * kPi / 180, around = d.toward * kPi / 180;
    out[0] = float(std::sin(off) * std::cos(around));
    out[1] = float(std::sin(off) * std::sin(around));
    out[2] = float(std::cos(off));
}

struct Pixel {
    int column, row;
    bool operator==(const Pixel& other) const { return column == other.column && row == other.row; }
};
const Pixel kNone{-1, -1};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << p.column << ", " << p.row << ")";
}

Pixel lookUp(const FisheyeCircle& circle, const float lens[3], FisheyeEdge edge) {
    Pixel p = kNone;
    return fisheyePixel(circle, lens, edge, &p.column, &p.row) ? p : kNone;
}

TEST(FisheyeLens, KnownDirectionsLandOnKnownPixels) {
    const struct {
        Direction direction;
        Pixel pixel;
    } cases[] = {
        {{0, 0}, {200, 150}},     // the axis: the circle centre
        {{90, 0}, {200, 60}},     // +x runs up the rows
        {{90, 90}, {290, 150}},   // +y runs along the columns
        {{60, 270}, {140, 150}},  // distance in proportion to the angle off the axis
        {{90, 45}, {264, 86}},    // 63.64 pixels along both
        {{104.9, 180}, {200, 255}},
    };
    for (const auto& c : cases) {
        float lens[3];
        lensVector(c.direction, lens);
        for (FisheyeEdge edge : {FisheyeEdge::kOpen, FisheyeEdge::kCircle})
            EXPECT_EQ(c.pixel, lookUp(kCircle, lens, edge))
                << c.direction.offAxis << " deg toward " << c.direction.toward;
    }
}

// The lens looks the other way from the view: a view straight down is its axis, a view along
// +x lands below the centre.
TEST(FisheyeLens, ViewDirectionsReachTheLensFlipped) {
    const struct {
        float view[3];
        Pixel pixel;
    } cases[] = {{{0, 0, -1}, {200, 150}}, {{1, 0, 0}, {200, 240}}, {{0, 1, 0}, {290, 150}}};
    for (const auto& c : cases) {
        float lens[3];
        fisheyeLensDirection(c.view, lens);
        EXPECT_EQ(c.pixel, lookUp(kCircle, lens, FisheyeEdge::kCircle))
            << c.view[0] << "," << c.view[1] << "," << c.view[2];
    }
}

TEST(FisheyeLens, WithinATenthOfADegreeOfTheAxisIsTheCentre) {
    EXPECT_EQ(0.0f, fisheyeRing(float(std::cos(0.05 * kPi / 180)), 1080).distance);
    EXPECT_NEAR(0.2 / 105 * 1080, fisheyeRing(float(std::cos(0.2 * kPi / 180)), 1080).distance,
                0.05);
}

// The open edge looks beyond the circle and refuses points before the first row or column; the
// circle's edge refuses beyond the circle and takes a point in (-1, 0) as the first. Elsewhere
// the two agree.
TEST(FisheyeLens, EdgeRulesDifferExactlyAtTheEdge) {
    const struct {
        const char* what;
        FisheyeCircle circle;
        Direction direction;
        Pixel open, closed;
    } cases[] = {
        {"inside the circle", kCircle, {104.9, 90}, {305, 150}, {305, 150}},
        {"beyond the circle", kCircle, {105.1, 90}, {305, 150}, kNone},
        {"beyond the circle, up", kCircle, {105.1, 0}, {200, 45}, kNone},
        {"half a pixel before the first column", circleAt(89, 150), {90, 270}, kNone, {0, 150}},
        {"half a pixel into the first column", circleAt(90, 150), {90, 270}, {0, 150}, {0, 150}},
        {"a pixel and a half before it", circleAt(88, 150), {90, 270}, kNone, kNone},
        {"half a pixel before the first row", circleAt(200, 89), {90, 0}, kNone, {200, 0}},
        {"on the end of the last column", circleAt(309.5f, 150), {90, 90}, kNone, kNone},
        {"half a pixel into the last column", circleAt(309, 150), {90, 90}, {399, 150}, {399, 150}},
    };
    for (const auto& c : cases) {
        float lens[3];
        lensVector(c.direction, lens);
        EXPECT_EQ(c.open, lookUp(c.circle, lens, FisheyeEdge::kOpen)) << c.what;
        EXPECT_EQ(c.closed, lookUp(c.circle, lens, FisheyeEdge::kCircle)) << c.what;
    }
}

}  // namespace
