#include "ViewAngleThumbnail.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr double kPi = 3.141592653589793;

// (int)v clamped into 0..n-1 (NaN gives 0).
int clampIndex(double v, int n) {
    if (!(v >= 0)) return 0;
    return v >= n - 1 ? n - 1 : static_cast<int>(v);
}

}  // namespace

void generateViewAngleThumbnail(const void* src, void* dst, int srcW, int srcH, double fovDeg,
                                int dstW, int dstH) {
    if (!src || !dst || srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0) return;
    const double sw = srcW * fovDeg / 360;
    const double x0 = (srcW - sw) / 2;
    const double sh = fovDeg * (static_cast<double>(dstH) / dstW) * srcH / 180;
    const double y0 = (srcH - sh) / 2;
    const uint32_t* in = static_cast<const uint32_t*>(src);
    uint32_t* out = static_cast<uint32_t*>(dst);
    for (int i = 0; i < dstH; ++i) {
        const uint32_t* line =
            in + static_cast<size_t>(clampIndex(i * sh / dstH + y0 + 0.5, srcH)) * srcW;
        for (int j = 0; j < dstW; ++j) *out++ = line[clampIndex(j * sw / dstW + x0 + 0.5, srcW)];
    }
}

void reversePerspectiveToSphereXYZ(double a, double b, double out[3]) {
    const double len = std::sqrt(1 + a * a + b * b);
    out[0] = a / len;
    out[1] = b / len;
    out[2] = -1 / len;
}

void unitVectorToLatLngInPi(const double v[3], double* lat, double* lng) {
    const double y = v[1] > 1 ? 1 : (v[1] < -1 ? -1 : v[1]);
    *lat = std::asin(y);
    *lng = std::atan2(v[0], v[2]);
}

void unitVectorToLatLngIn360(const double v[3], double* lat, double* lng) {
    unitVectorToLatLngInPi(v, lat, lng);
    *lat *= 180 / kPi;
    *lng *= 180 / kPi;
}
