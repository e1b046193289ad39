// CPU view dewarp between the little-planet plane, equirectangular frames and fisheye circles.
//   1. Point maps: plane <-> frame (stereographic plane turned by pitch and yaw), frame ->
//      fisheye (through a rotation and the lens state).
//   2. Piece projection: a forward pass over the picture finds its box in the frame (split in
//      two at the seam), then every box pixel is mapped back and sampled.
//   3. Fisheye rendering: every circle pixel is mapped back through the inverse rotation.
#include "DewarpImageUtil.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>

#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

// Lens state: written once under the lock, published by the flag.
struct LensState {
    std::mutex setLock;
    std::atomic<bool> isCameraParametersSet{false};
    float fishEyeCoveredDegree = 0;
    DIU_FrontDirection feFrontDirection = DIU_FRONT_NORMAL;
};

LensState& lens()
{
    static LensState state;
    return state;
}

bool lensIsSet()
{
    return lens().isCameraParametersSet.load(std::memory_order_acquire);
}

double clampUnit(double v)
{
    return std::max(-1.0, std::min(1.0, v));
}

// Truncation toward zero that stays defined for NaN and huge values (they give a value
// outside every picture).
int toIndex(double v)
{
    if (!(v > -1e9 && v < 1e9))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Sines and cosines of alpha = -pitch and beta = yaw.
struct ViewAngles {
    double sa, ca, sb, cb;
};

ViewAngles viewAngles(float pitch, float yaw)
{
    const double alpha = -pitch * kDegree, beta = yaw * kDegree;
    return {std::sin(alpha), std::cos(alpha), std::sin(beta), std::cos(beta)};
}

void planeToFrame(double x, double y, const ViewAngles& v, int W, int H, double& ex, double& ey)
{
    double X, Y, Z;
    littlePlanetToUnitXyz(2 * x / W - 1, (double(H) / W) * (1 - 2 * y / H), &X, &Y, &Z);
    const double Xr = v.ca * v.cb * Z + v.sb * X - v.cb * v.sa * Y;
    const double Yr = v.cb * X + v.sa * v.sb * Y - v.ca * v.sb * Z;
    const double Zr = v.sa * Z + v.ca * Y;
    const double horizontal = std::sqrt(Xr * Xr + Yr * Yr);
    const double longitude = horizontal < 1e-6 ? 0 : std::atan2(-Yr, -Xr) / kDegree;
    const double length = std::sqrt(Xr * Xr + Yr * Yr + Zr * Zr);
    const double latitude = length > 0 ? std::asin(clampUnit(Zr / length)) / kDegree : 0;
    ex = (180 - longitude) / 360 * W;
    ey = (90 - latitude) / 180 * H;
}

void frameToPlane(double x, double y, const ViewAngles& v, int W, int H, double& px, double& py)
{
    double X, Y, Z;
    sphereToUnitXyz(90 - 180 * y / H, 180 - 360 * x / W, &X, &Y, &Z);
    const double A = v.ca * v.sb * Y + v.sa * Z - v.ca * v.cb * X;
    if (A > 0.999) {
        px = py = 0;
        return;
    }
    px = ((-v.sb * X - v.cb * Y) / (1 - A) + 1) * W / 2;
    py = (1 - ((-v.sa * v.sb * Y + v.ca * Z + v.cb * v.sa * X) / (1 - A)) * W / H) * H / 2;
}

bool validPicture(const void* p, int w, int h)
{
    return p && w > 0 && h > 0;
}

// The frame box of a picture centred on the plane (piece projection step 1).
struct PieceBox {
    double minX = std::numeric_limits<double>::max(), maxX = -minX;
    double minY = minX, maxY = -minX;
    double leftMax = 0, rightMin = 0;  // largest x below W/2, smallest above
};

PieceBox boxOf(int srcW, int srcH, int W, int H, const ViewAngles& v)
{
    PieceBox box;
    const double half = W / 2.0;
    box.rightMin = W;
    for (int j = 0; j < srcH; ++j) {
        for (int i = 0; i < srcW; ++i) {
            double ex, ey;
            planeToFrame(half + i - srcW / 2.0, H / 2.0 - srcH / 2.0 + j, v, W, H, ex, ey);
            box.minX = std::min(box.minX, ex);
            box.maxX = std::max(box.maxX, ex);
            box.minY = std::min(box.minY, ey);
            box.maxY = std::max(box.maxY, ey);
            if (ex < half)
                box.leftMax = std::max(box.leftMax, ex);
            if (ex > half)
                box.rightMin = std::min(box.rightMin, ex);
        }
    }
    return box;
}

// Fills a piece whose column 0 sits at frame column originX (piece projection step 5).
void fillPiece(DIU_DewarpedImage& piece, double originX, const char* src, int srcW, int srcH,
               int W, int H, const ViewAngles& v)
{
    const uint32_t* s = reinterpret_cast<const uint32_t*>(src);
    uint32_t* d = reinterpret_cast<uint32_t*>(piece.data);
    for (int row = 0; row < piece.height; ++row) {
        for (int col = 0; col < piece.width; ++col) {
            double px, py;
            frameToPlane(originX + col, piece.y + row, v, W, H, px, py);
            const int sx = toIndex(px - W / 2.0 + srcW / 2.0 + 0.5);
            const int sy = toIndex(py - H / 2.0 + srcH / 2.0 + 0.5);
            const bool inside = sx >= 0 && sx < srcW && sy >= 0 && sy < srcH;
            d[static_cast<size_t>(row) * piece.width + col] =
                inside ? s[static_cast<size_t>(sy) * srcW + sx] : 0;
        }
    }
}

int roundedSize(double v)
{
    return std::max(0, toIndex(v + 0.5));
}

// Copies src's columns into dst starting at column dstCol (same height or smaller).
void copyColumns(const DIU_DewarpedImage& src, DIU_DewarpedImage& dst, int dstCol)
{
    const int rows = std::min(src.height, dst.height);
    for (int row = 0; row < rows; ++row)
        std::memcpy(dst.data + (static_cast<size_t>(row) * dst.width + dstCol) * 4,
                    src.data + static_cast<size_t>(row) * src.width * 4,
                    static_cast<size_t>(src.width) * 4);
}

// Direction of a fisheye offset turned back by the front direction (inverse of the table).
void unturnOffset(int dir, double ox, double oy, double& dx, double& dy)
{
    switch (dir) {
    case DIU_FRONT_NORMAL: dx = ox, dy = oy; break;
    case DIU_FRONT_QUARTER: dx = -oy, dy = ox; break;
    case DIU_FRONT_HALF: dx = -ox, dy = -oy; break;
    default: dx = oy, dy = -ox; break;
    }
}

}  // namespace

void DewarpImageUtil::setCameraParameters(DIU_FrontDirection dir, float coveredDegree)
{
    LensState& state = lens();
    std::lock_guard<std::mutex> guard(state.setLock);
    if (state.isCameraParametersSet.load(std::memory_order_relaxed))
        return;
    state.feFrontDirection = dir;
    state.fishEyeCoveredDegree = coveredDegree;
    state.isCameraParametersSet.store(true, std::memory_order_release);
}

void DewarpImageUtil::translateToDewarpCoord(float x, float y, float pitch, float yaw, int W,
                                             int H, float& ex, float& ey)
{
    if (W <= 0 || H <= 0) {
        ex = ey = 0;
        return;
    }
    double dx, dy;
    planeToFrame(x, y, viewAngles(pitch, yaw), W, H, dx, dy);
    ex = static_cast<float>(dx);
    ey = static_cast<float>(dy);
}

void DewarpImageUtil::reverseFromDewarpCoord(float x, float y, float pitch, float yaw, int W,
                                             int H, float& px, float& py)
{
    if (W <= 0 || H <= 0) {
        px = py = 0;
        return;
    }
    double dx, dy;
    frameToPlane(x, y, viewAngles(pitch, yaw), W, H, dx, dy);
    px = static_cast<float>(dx);
    py = static_cast<float>(dy);
}

int DewarpImageUtil::dewarp(const char* src, int srcW, int srcH, int W, int H, float pitch,
                            float yaw, List<DIU_DewarpedImage*>& out)
{
    if (!validPicture(src, srcW, srcH) || W <= 0 || H <= 0)
        return -4;
    const ViewAngles v = viewAngles(pitch, yaw);
    const PieceBox box = boxOf(srcW, srcH, W, H, v);
    const int boxW = roundedSize(box.maxX - box.minX);
    const int boxH = roundedSize(box.maxY - box.minY);
    const int top = toIndex(box.minY + 0.5);
    const bool crossesSeam =
        boxW >= W - 10 && box.leftMax <= W / 2.0 - 10 && box.rightMin >= W / 2.0 + 10;
    if (!crossesSeam) {
        auto* piece = new DIU_DewarpedImage(toIndex(box.minX + 0.5), top, boxW, boxH);
        fillPiece(*piece, piece->x, src, srcW, srcH, W, H, v);
        out.append(piece);
        return 0;
    }
    auto* left = new DIU_DewarpedImage(0, top, roundedSize(box.leftMax), boxH);
    auto* right = new DIU_DewarpedImage(toIndex(box.rightMin + 0.5), top,
                                        roundedSize(W - box.rightMin), boxH);
    fillPiece(*left, 0, src, srcW, srcH, W, H, v);
    fillPiece(*right, box.rightMin, src, srcW, srcH, W, H, v);
    out.append(left);
    out.append(right);
    return 0;
}

int DewarpImageUtil::dewarp(const char* src, int srcW, int srcH, int W, int H, float pitch,
                            float yaw, DIU_DewarpedImage** out)
{
    *out = nullptr;
    List<DIU_DewarpedImage*> pieces;
    const int rc = dewarp(src, srcW, srcH, W, H, pitch, yaw, pieces);
    if (rc != 0)
        return rc;
    if (pieces.size() == 1) {
        *out = pieces[0];
        return 0;
    }
    const DIU_DewarpedImage& left = *pieces[0];
    const DIU_DewarpedImage& right = *pieces[1];
    auto* joined = new DIU_DewarpedImage(right.x, right.y, left.width + right.width, left.height);
    copyColumns(right, *joined, 0);
    copyColumns(left, *joined, right.width);
    pieces.deleteAllObjsAndReset();
    *out = joined;
    return 0;
}

void DewarpImageUtil::translateToFisheyeCoord(float x, float y, int W, int H, float cx, float cy,
                                              float radius, float (*rot)[3], int& fx, int& fy)
{
    fx = fy = -1;
    if (!lensIsSet() || W <= 0 || H <= 0 || !rot)
        return;
    const double halfCovered = lens().fishEyeCoveredDegree / 2.0;
    const double lon = 2 * kPi * x / W, e = kPi / 2 - kPi * y / H;
    const float v[3] = {static_cast<float>(std::cos(lon) * std::cos(e)),
                        static_cast<float>(-std::sin(lon) * std::cos(e)),
                        static_cast<float>(std::sin(e))};
    float r[3];
    rotate(rot[0], v, r);
    const double h = std::asin(clampUnit(r[2])) / kDegree;
    double dx = 0, dy = 0;
    if (h <= 89.9) {
        if (halfCovered <= 0 || h < 90 - halfCovered)
            return;
        const double horizontal = std::sqrt(double(r[0]) * r[0] + double(r[1]) * r[1]);
        const double dist = (90 - h) / halfCovered * radius;
        dx = dist * r[0] / horizontal;
        dy = dist * r[1] / horizontal;
    }
    double ox, oy;
    switch (lens().feFrontDirection) {
    case DIU_FRONT_NORMAL: ox = dx, oy = dy; break;
    case DIU_FRONT_QUARTER: ox = dy, oy = -dx; break;
    case DIU_FRONT_HALF: ox = -dx, oy = -dy; break;
    default: ox = -dy, oy = dx; break;
    }
    fx = toIndex(cx + ox + 0.5);
    fy = toIndex(cy + oy + 0.5);
}

int DewarpImageUtil::reverseToFisheye(void* equirect, void* fisheye, int W, int H,
                                      double (*rot)[3], int outW, int outH, double& cx,
                                      double& cy, double& radius)
{
    if (!validPicture(fisheye, outW, outH))
        return -4;
    std::memset(fisheye, 0xFF, static_cast<size_t>(outW) * outH * 4);
    cx = outW / 2.0;
    cy = outH / 2.0;
    radius = std::min(outW, outH) / 2.0 * 14 / 15;
    if (!lensIsSet())
        return -1;
    if (!validPicture(equirect, W, H) || !rot)
        return -4;
    float inv[3][3];
    inverse_matrix(rot, inv);
    unsigned* out = static_cast<unsigned*>(fisheye);
    for (int j = 0; j < outH; ++j) {
        for (int i = 0; i < outW; ++i) {
            float pixel[2] = {static_cast<float>(i), static_cast<float>(j)};
            out[static_cast<size_t>(j) * outW + i] =
                pixel_Stupid_re(static_cast<unsigned*>(equirect), W, H, float(cx), float(cy),
                                float(radius), inv, pixel);
        }
    }
    return 0;
}

void inverse_matrix(double in[3][3], float out[3][3])
{
    const double det = in[0][0] * (in[1][1] * in[2][2] - in[1][2] * in[2][1]) -
                       in[0][1] * (in[1][0] * in[2][2] - in[1][2] * in[2][0]) +
                       in[0][2] * (in[1][0] * in[2][1] - in[1][1] * in[2][0]);
    const bool singular = !(std::fabs(det) > 1e-12);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // Cofactor of (c, r): the adjugate is the transposed cofactor matrix.
            const int r0 = (c + 1) % 3, r1 = (c + 2) % 3, c0 = (r + 1) % 3, c1 = (r + 2) % 3;
            const double cof = in[r0][c0] * in[r1][c1] - in[r0][c1] * in[r1][c0];
            out[r][c] = singular ? 0.0f : static_cast<float>(cof / det);
        }
    }
}

unsigned pixel_Stupid_re(unsigned* equirect, int W, int H, float cx, float cy, float radius,
                         float (*inv)[3], float* pixel)
{
    constexpr unsigned kOutside = 0xFFFFFFFFu;
    if (!lensIsSet() || !validPicture(equirect, W, H) || !(radius > 0))
        return kOutside;
    const double ox = pixel[0] - cx, oy = pixel[1] - cy;
    const double d2 = ox * ox + oy * oy;
    if (d2 > double(radius) * radius + 0.1)
        return kOutside;
    double dx, dy;
    unturnOffset(lens().feFrontDirection, ox, oy, dx, dy);
    const double d = std::sqrt(d2);
    const double l = (90 - d * (lens().fishEyeCoveredDegree / 2.0) / radius) * kDegree;
    const float v[3] = {d > 0 ? static_cast<float>(std::cos(l) * dx / d) : 0.0f,
                        d > 0 ? static_cast<float>(std::cos(l) * dy / d) : 0.0f,
                        static_cast<float>(std::sin(l))};
    float r[3];
    rotate(inv[0], v, r);
    const double latitude = std::asin(clampUnit(r[2])) / kDegree;
    const double longitude = std::fmod(360.0 - std::atan2(r[1], r[0]) / kDegree, 360.0);
    const int row = toIndex(H * (90 - latitude) / 180);
    const int col = toIndex(W * longitude / 360);
    if (row < 0 || row >= H || col < 0 || col >= W)
        return kOutside;
    return equirect[static_cast<size_t>(row) * W + col];
}
