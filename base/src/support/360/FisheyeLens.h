#pragma once

#include <cmath>

// The camera's lens as the processor sees it: an equidistant fisheye whose image circle lies
// 105 degrees off its axis, a 210-degree field. The snapshots and the panorama section both look
// their pixels up here; the dewarp shader repeats the same mapping on the graphics card.
//
// Per direction, in order:
// 1. a view direction (x, y, z) becomes a lens direction by the fixed lens rotation
//    (fisheyeLensDirection): the lens looks along +z of its own frame;
// 2. the lens direction's elevation above the plane z = 0 gives its ring (fisheyeRing): the
//    distance from the circle centre, (90 - elevation) / 105 x radius, the centre itself within
//    0.1 degree of the axis;
// 3. its (x, y) part gives the way from the centre, with the frame's axes flipped: x runs up
//    the frame's rows, y along its columns; the point is rounded to the nearest source pixel
//    under the caller's edge rule (fisheyePixel).
// All arithmetic is single precision; every function is pure.

// Elevation of the circle's edge above the lens plane, degrees: 105 degrees off the axis.
inline constexpr float kFisheyeEdgeElevation = -15.0f;

// View direction -> lens direction, row-major: diag(-1, 1, -1), applied with `rotate`.
inline constexpr float kFisheyeLensRotation[9] = {-1, 0, 0, 0, 1, 0, 0, 0, -1};

// The lens circle in a source frame of width x height pixels; centre and radius in pixels.
struct FisheyeCircle {
    float centerX;
    float centerY;
    float radius;
    int width;
    int height;
};

// What a lookup does at the lens circle and at the frame's border: the one point where the
// callers differ.
enum class FisheyeEdge {
    // Views that choose their own rows (the snapshots): a direction beyond the circle is looked
    // up all the same, and a point counts only while it lies inside the frame before rounding,
    // so a point in (-1, 0) is outside.
    kOpen,
    // A whole-sphere table (the panorama section): a direction more than 105 degrees off the
    // axis has no pixel, and a point rounds toward zero before the frame test, so a point in
    // (-1, 0) is the first row or column.
    kCircle,
};

// The directions of one elevation; cheap to keep per output row when the rotation keeps the
// lens axis.
struct FisheyeRing {
    float elevation;  // degrees above the plane normal to the lens axis, [-90, 90]
    float distance;   // from the circle centre, source pixels
};

// The lens direction `lens` of the view direction `view`; `lens` may be `view`.
void fisheyeLensDirection(const float view[3], float lens[3]);

// The ring of lens directions whose z component is `z` (clamped into [-1, 1]), for a circle of
// `radius` pixels.
FisheyeRing fisheyeRing(float z, float radius);

// Whether a point (a column or row before rounding) lies in a frame side of `size` pixels.
inline bool fisheyeInsideFrame(float point, int size, FisheyeEdge edge) {
    const bool fromStart = edge == FisheyeEdge::kOpen ? point >= 0.0f : point > -1.0f;
    return fromStart && point < size;
}

// Source pixel (*column, *row) of the lens direction on `ring` whose other components are x and
// y; false (outputs untouched) when `edge` gives it none.
inline bool fisheyePixel(const FisheyeCircle& circle, const FisheyeRing& ring, float x, float y,
                         FisheyeEdge edge, int* column, int* row) {
    if (edge == FisheyeEdge::kCircle && ring.elevation < kFisheyeEdgeElevation) return false;
    const float planar = std::sqrt(x * x + y * y);
    const float up = planar > 0.0f ? ring.distance * x / planar : 0.0f;
    const float along = planar > 0.0f ? ring.distance * y / planar : 0.0f;
    const float pointRow = circle.centerY - up + 0.5f;
    const float pointColumn = circle.centerX + along + 0.5f;
    if (!fisheyeInsideFrame(pointColumn, circle.width, edge) ||
        !fisheyeInsideFrame(pointRow, circle.height, edge))
        return false;
    *column = static_cast<int>(pointColumn);
    *row = static_cast<int>(pointRow);
    return true;
}

// The same for a whole lens direction.
inline bool fisheyePixel(const FisheyeCircle& circle, const float lens[3], FisheyeEdge edge,
                         int* column, int* row) {
    return fisheyePixel(circle, fisheyeRing(lens[2], circle.radius), lens[0], lens[1], edge, column,
                        row);
}
