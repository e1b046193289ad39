#include "V360FixAngleVideoSectionBuilder.h"

#include <algorithm>
#include <cmath>

#include "ImageBufferUtil.h"
#include "RotationGeometry.h"

namespace {

const double kPi = 3.14159265358979323846;

}  // namespace

V360FixAngleVideoSectionBuilder::V360FixAngleVideoSectionBuilder(int width, int height,
                                                                 QString srcPath, float view,
                                                                 float angle1, float angle2,
                                                                 double startTime, double endTime)
    : V360VideoSectionBuilder(width, height, std::move(srcPath), QString(), 0, 0, startTime,
                              endTime, QString(), QString(), nullptr, nullptr, QString(), -1, -1,
                              -1),
      horizontalScale(view * 0.1f),
      verticalScale(height * horizontalScale / width) {
    decodeSide = -1;
    double aboutX[9], aboutY[9], turned[9];
    fillRotationMatrixAlongX(angle1 * kPi / 180, aboutX);
    fillRotationMatrixAlongY(angle2 * kPi / 180, aboutY);
    rmatrixMutiply(aboutX, aboutY, turned);
    rmatrixInverse(turned, viewRotation);
}

int V360FixAngleVideoSectionBuilder::prepare() {
    const int result = V360VideoSectionBuilder::prepare();
    if (result != 0) return result;
    srcWidth = source.sourceWidth();
    srcHeight = source.sourceHeight();
    table.resize(static_cast<size_t>(width) * height);
    int32_t* entry = table.data();
    for (int i = 0; i < height; ++i)
        for (int c = 0; c < width; ++c) *entry++ = sourceIndex(i, c);
    return 0;
}

// Steps 1 to 3: plane point (u, v) -> unit sphere -> view rotation -> degrees.
void V360FixAngleVideoSectionBuilder::viewToSphere(double u, double v, double* latitude,
                                                   double* longitude) const {
    double p[3];
    littlePlanetToUnitXyz(u, v, &p[0], &p[1], &p[2]);
    const double* M = viewRotation;
    const double x = M[0] * p[0] + M[1] * p[1] + M[2] * p[2];
    const double y = M[3] * p[0] + M[4] * p[1] + M[5] * p[2];
    const double z = M[6] * p[0] + M[7] * p[1] + M[8] * p[2];
    *latitude = std::asin(std::max(-1.0, std::min(1.0, y))) * 180 / kPi;
    *longitude = y * y > 0.9999 ? 0.0 : std::atan2(-x, -z) * 180 / kPi;
}

// Step 4: the equirectangular source pixel, clamped (latitude -90 and longitude 180 would
// fall one past the last row and column).
int32_t V360FixAngleVideoSectionBuilder::sourceIndex(int row, int column) const {
    const double u = horizontalScale * (2.0 * (width - column - 1) / width - 1);
    const double v = verticalScale * (1 - 2.0 * row / height);
    double latitude, longitude;
    viewToSphere(u, v, &latitude, &longitude);
    const int y = static_cast<int>(latitude / -180 * srcHeight + srcHeight / 2.0);
    const int x = static_cast<int>(srcWidth / 2.0 + srcWidth * longitude / 360);
    return std::min(std::max(y, 0), srcHeight - 1) * srcWidth +
           std::min(std::max(x, 0), srcWidth - 1);
}

int V360FixAngleVideoSectionBuilder::dewarp(int, void* src, void* dst) {
    ImageBufferUtil::remap(table.data(), table.size(), src, dst);
    return 0;
}

double V360FixAngleVideoSectionBuilder::toCoordinate(int x, int y, double* latitude,
                                                     double* longitude) {
    viewToSphere(horizontalScale * (2.0 * x / width - 1), verticalScale * (1 - 2.0 * y / height),
                 latitude, longitude);
    return *longitude;
}
