#include "FisheyeLens.h"

#include <algorithm>

#include "RotationGeometry.h"

namespace {

const float kPi = 3.1415927f;
// Within this elevation of the axis (degrees) every direction lands on the centre.
const float kAxisElevation = 89.9f;

}  // namespace

void fisheyeLensDirection(const float view[3], float lens[3]) {
    rotate(kFisheyeLensRotation, view, lens);
}

FisheyeRing fisheyeRing(float z, float radius) {
    const float elevation = std::asin(std::min(1.0f, std::max(-1.0f, z))) * 180.0f / kPi;
    const float distance =
        elevation > kAxisElevation ? 0.0f : (90.0f - elevation) / 105.0f * radius;
    return {elevation, distance};
}
