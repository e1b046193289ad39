// CPU view dewarp between the little-planet plane, equirectangular frames and fisheye circles.
//   1. Point maps: plane <-> frame (stereographic plane turned by pitch and yaw), frame ->
//      fisheye (through a rotation and the lens state).
//   2. Piece projection: a forward pass over the picture finds its box in the frame (split in
//      two at the seam), then every box pixel is mapped back and sampled.
//   3. Flat views of a window: the window is placed in its virtual full frame and the view's
//      plane extent found; output pixels map plane -> frame -> window (or fisheye). The
//      centred views map a quarter and mirror it.
//   4. Fisheye rendering: every circle pixel is mapped back through the inverse rotation.
#include "DewarpImageUtil.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include "ResultCode.h"
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

LensState& lens() {
    static LensState state;
    return state;
}

bool lensIsSet() { return lens().isCameraParametersSet.load(std::memory_order_acquire); }

double clampUnit(double v) { return std::max(-1.0, std::min(1.0, v)); }

// Truncation toward zero that stays defined for NaN and huge values (they give a value
// outside every picture).
int toIndex(double v) {
    if (!(v > -1e9 && v < 1e9)) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Sines and cosines of alpha = -pitch and beta = yaw.
struct ViewAngles {
    double sa, ca, sb, cb;
};

ViewAngles viewAngles(float pitch, float yaw) {
    const double alpha = -pitch * kDegree, beta = yaw * kDegree;
    return {std::sin(alpha), std::cos(alpha), std::sin(beta), std::cos(beta)};
}

void planeToFrame(double x, double y, const ViewAngles& v, int W, int H, double& ex, double& ey) {
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

void frameToPlane(double x, double y, const ViewAngles& v, int W, int H, double& px, double& py) {
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

using PointMap = void (*)(double x, double y, const ViewAngles& v, int W, int H, double& ox,
                          double& oy);

// `map` of one point in floats; (0, 0) for an empty W x H.
void mapPoint(PointMap map, float x, float y, float pitch, float yaw, int W, int H, float& ox,
              float& oy) {
    if (W <= 0 || H <= 0) {
        ox = oy = 0;
        return;
    }
    double dx, dy;
    map(x, y, viewAngles(pitch, yaw), W, H, dx, dy);
    ox = static_cast<float>(dx);
    oy = static_cast<float>(dy);
}

bool validPicture(const void* p, int w, int h) { return p && w > 0 && h > 0; }

// The frame box of a picture centred on the plane (piece projection step 1).
struct PieceBox {
    double minX = std::numeric_limits<double>::max(), maxX = -minX;
    double minY = minX, maxY = -minX;
    double leftMax = 0, rightMin = 0;  // largest x below W/2, smallest above
};

PieceBox boxOf(int srcW, int srcH, int W, int H, const ViewAngles& v) {
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
            if (ex < half) box.leftMax = std::max(box.leftMax, ex);
            if (ex > half) box.rightMin = std::min(box.rightMin, ex);
        }
    }
    return box;
}

// Fills a piece whose column 0 sits at frame column originX (piece projection step 5).
void fillPiece(DIU_DewarpedImage& piece, double originX, const char* src, int srcW, int srcH, int W,
               int H, const ViewAngles& v) {
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

int roundedSize(double v) { return std::max(0, toIndex(v + 0.5)); }

// Copies src's columns into dst starting at column dstCol (same height or smaller).
void copyColumns(const DIU_DewarpedImage& src, DIU_DewarpedImage& dst, int dstCol) {
    const int rows = std::min(src.height, dst.height);
    for (int row = 0; row < rows; ++row)
        std::memcpy(dst.data + (static_cast<size_t>(row) * dst.width + dstCol) * 4,
                    src.data + static_cast<size_t>(row) * src.width * 4,
                    static_cast<size_t>(src.width) * 4);
}

// A window of a virtual full equirectangular frame (flat views steps 1 and 2).
struct WindowFrame {
    int winW, winH;      // window size in virtual frame pixels
    int Wf, Hf;          // virtual full frame
    int colOff, rowOff;  // window offset in the frame
    ViewAngles v;        // view centred on the window
};

bool makeWindow(int winW, int winH, float left, float top, float vSpan, float hSpan,
                WindowFrame& f) {
    if (winW <= 0 || winH <= 0 || !(vSpan > 0) || !(hSpan > 0)) return false;
    f.winW = winW;
    f.winH = winH;
    f.Hf = toIndex(winH * 180.0 / vSpan + 0.5);
    f.Wf = toIndex(winW * 360.0 / hSpan + 0.5);
    if (f.Wf <= 0 || f.Hf <= 0) return false;
    f.rowOff = toIndex(top * double(f.Hf) / 180 + 0.5);
    f.colOff = toIndex(left * double(f.Wf) / 360 + 0.5);
    f.v = viewAngles(90 - (vSpan / 2 + top), hSpan / 2 + left - 180);
    return true;
}

struct PlanePoint {
    double x, y;
};

PlanePoint planeOf(const WindowFrame& f, double col, double row) {
    PlanePoint p;
    frameToPlane(f.colOff + col, f.rowOff + row, f.v, f.Wf, f.Hf, p.x, p.y);
    return p;
}

// Window position (unrounded) of a plane point.
PlanePoint windowOf(const WindowFrame& f, double px, double py) {
    double ex, ey;
    planeToFrame(px, py, f.v, f.Wf, f.Hf, ex, ey);
    return {ex - f.colOff, ey - f.rowOff};
}

struct WindowPixel {
    int col, row;
};

WindowPixel rounded(PlanePoint p) { return {toIndex(p.x + 0.5), toIndex(p.y + 0.5)}; }

bool insideWindow(const WindowFrame& f, WindowPixel p) {
    return p.col >= 0 && p.col < f.winW && p.row >= 0 && p.row < f.winH;
}

// The largest view centred on the window that stays inside it (flat views step 6): its
// top-left plane corner and spans.
struct ViewSquare {
    double N = 0, M = 0;
    int spanX = 0, spanY = 0, s = 0;
};

ViewSquare viewSquare(const WindowFrame& f) {
    const PlanePoint p0 = planeOf(f, 0, 0);
    const PlanePoint p1 = planeOf(f, 0, f.winH / 2);
    const PlanePoint p2 = planeOf(f, f.winW / 2, f.winH / 2);
    const double dxA = p1.x - p0.x, dyA = p1.y - p0.y;  // line A: P0 -> P1
    const double dxB = p1.x - p2.x, dyB = p0.y - p2.y;  // line B: P2 -> (x1, y0)
    const double cross = dxA * dyB - dyA * dxB;
    ViewSquare sq;
    if (std::fabs(cross) > 1e-12 && std::fabs(dxB) > 1e-12) {
        const double t = ((p2.x - p0.x) * dyB - (p2.y - p0.y) * dxB) / cross;
        const double K = p0.x + t * dxA;
        for (double x = K; p1.x < K && x > p1.x; x -= 1) {
            const double y = p2.y + (x - p2.x) * dyB / dxB;
            if (!insideWindow(f, rounded(windowOf(f, x, y)))) break;
            sq.N = x;
            sq.M = y;
        }
    }
    sq.spanX = toIndex(2 * (p2.x - sq.N) + 0.5);
    sq.spanY = toIndex(2 * (p2.y - sq.M) + 0.5);
    sq.s = std::min(sq.spanX, sq.spanY);
    return sq;
}

// Window positions of the top-left quarter (qw x qh) of a view: mapped at every pixel, or at
// every second column and row with the pixels between at the mean of their neighbours.
template <typename MapFn>
std::vector<WindowPixel> quarterPositions(int qw, int qh, bool everySecond, MapFn map) {
    std::vector<PlanePoint> pos(size_t(qw) * qh);
    auto at = [&](int i, int j) -> PlanePoint& { return pos[size_t(j) * qw + i]; };
    const int step = everySecond ? 2 : 1;
    for (int j = 0; j < qh; j += step)
        for (int i = 0; i < qw; i += step) at(i, j) = map(i, j);
    auto mean = [](PlanePoint a, PlanePoint b) {
        return PlanePoint{(a.x + b.x) / 2, (a.y + b.y) / 2};
    };
    if (everySecond) {
        for (int j = 0; j < qh; j += 2)
            for (int i = 1; i < qw; i += 2)
                at(i, j) = i + 1 < qw ? mean(at(i - 1, j), at(i + 1, j)) : at(i - 1, j);
        for (int j = 1; j < qh; j += 2)
            for (int i = 0; i < qw; ++i)
                at(i, j) = j + 1 < qh ? mean(at(i, j - 1), at(i, j + 1)) : at(i, j - 1);
    }
    std::vector<WindowPixel> out(pos.size());
    for (size_t k = 0; k < pos.size(); ++k) out[k] = rounded(pos[k]);
    return out;
}

// Fills an outW x outH view from its quarter: (i, j) reads (col, row), its mirror images read
// (winW - col, row), (col, winH - row) and both; a mirrored read at 0 or outside gives 0.
template <typename SampleFn>
void fillMirrored(uint32_t* out, int outW, int outH, const WindowFrame& f,
                  const std::vector<WindowPixel>& quarter, SampleFn sample) {
    const int qw = (outW + 1) / 2, qh = (outH + 1) / 2;
    auto read = [&](int col, int row, bool mirrorCol, bool mirrorRow) -> uint32_t {
        const int c = mirrorCol ? f.winW - col : col, r = mirrorRow ? f.winH - row : row;
        if ((mirrorCol && c <= 0) || (mirrorRow && r <= 0)) return 0;
        return insideWindow(f, {c, r}) ? sample(c, r) : 0;
    };
    for (int j = 0; j < qh; ++j) {
        for (int i = 0; i < qw; ++i) {
            const WindowPixel p = quarter[size_t(j) * qw + i];
            const int mi = outW - 1 - i, mj = outH - 1 - j;
            // Mirrors first: on an odd centre line the direct read wins.
            out[size_t(mj) * outW + mi] = read(p.col, p.row, true, true);
            out[size_t(mj) * outW + i] = read(p.col, p.row, false, true);
            out[size_t(j) * outW + mi] = read(p.col, p.row, true, false);
            out[size_t(j) * outW + i] = read(p.col, p.row, false, false);
        }
    }
}

// Reads window pixels of a packed w x h source.
struct WindowSampler {
    const uint32_t* src;
    int w;
    uint32_t operator()(int col, int row) const { return src[size_t(row) * w + col]; }
};

// Flat views into a w x h buffer (steps 6 and 7).
int centredWindowView(const char* src, int w, int h, float left, float top, float vSpan,
                      float hSpan, char* out, bool everySecond) {
    WindowFrame f;
    if (!src || !out || !makeWindow(w, h, left, top, vSpan, hSpan, f))
        return ResultCode::kBadArgument;
    const ViewSquare sq = viewSquare(f);
    auto map = [&](int i, int j) {
        return windowOf(f, sq.N + sq.spanX / 2.0 + (i - w / 2.0) * sq.s / w,
                        sq.M + sq.spanY / 2.0 + (j - h / 2.0) * sq.s / h);
    };
    const auto quarter = quarterPositions((w + 1) / 2, (h + 1) / 2, everySecond, map);
    fillMirrored(reinterpret_cast<uint32_t*>(out), w, h, f, quarter,
                 WindowSampler{reinterpret_cast<const uint32_t*>(src), w});
    return 0;
}

// Samples every output pixel of an outW x outH view at plane point planeAt(i, j).
template <typename PlaneFn>
void fillDirect(uint32_t* out, int outW, int outH, const WindowFrame& f, const uint32_t* src,
                PlaneFn planeAt) {
    for (int j = 0; j < outH; ++j) {
        for (int i = 0; i < outW; ++i) {
            const PlanePoint p = planeAt(i, j);
            const WindowPixel wp = rounded(windowOf(f, p.x, p.y));
            out[size_t(j) * outW + i] =
                insideWindow(f, wp) ? src[size_t(wp.row) * f.winW + wp.col] : 0;
        }
    }
}

// Direction of a fisheye offset turned back by the front direction (inverse of the table).
void unturnOffset(int dir, double ox, double oy, double& dx, double& dy) {
    switch (dir) {
        case DIU_FRONT_NORMAL:
            dx = ox, dy = oy;
            break;
        case DIU_FRONT_QUARTER:
            dx = -oy, dy = ox;
            break;
        case DIU_FRONT_HALF:
            dx = -ox, dy = -oy;
            break;
        default:
            dx = oy, dy = -ox;
            break;
    }
}

}  // namespace

void DewarpImageUtil::setCameraParameters(DIU_FrontDirection dir, float coveredDegree) {
    LensState& state = lens();
    std::lock_guard<std::mutex> guard(state.setLock);
    if (state.isCameraParametersSet.load(std::memory_order_relaxed)) return;
    state.feFrontDirection = dir;
    state.fishEyeCoveredDegree = coveredDegree;
    state.isCameraParametersSet.store(true, std::memory_order_release);
}

void DewarpImageUtil::translateToDewarpCoord(float x, float y, float pitch, float yaw, int W, int H,
                                             float& ex, float& ey) {
    mapPoint(planeToFrame, x, y, pitch, yaw, W, H, ex, ey);
}

void DewarpImageUtil::reverseFromDewarpCoord(float x, float y, float pitch, float yaw, int W, int H,
                                             float& px, float& py) {
    mapPoint(frameToPlane, x, y, pitch, yaw, W, H, px, py);
}

int DewarpImageUtil::dewarp(const char* src, int srcW, int srcH, int W, int H, float pitch,
                            float yaw, List<DIU_DewarpedImage*>& out) {
    if (!validPicture(src, srcW, srcH) || W <= 0 || H <= 0) return ResultCode::kBadArgument;
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
                            float yaw, DIU_DewarpedImage** out) {
    *out = nullptr;
    List<DIU_DewarpedImage*> pieces;
    const int rc = dewarp(src, srcW, srcH, W, H, pitch, yaw, pieces);
    if (rc != 0) return rc;
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

int DewarpImageUtil::dewarpProjection(const char* src, int w, int h, float left, float top,
                                      float vSpan, float hSpan, char** out, int& outW, int& outH) {
    *out = nullptr;
    outW = outH = 0;
    WindowFrame f;
    if (!src || !makeWindow(w, h, left, top, vSpan, hSpan, f)) return ResultCode::kBadArgument;
    double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
    for (int l = 0; l <= 2; ++l) {
        for (int k = 0; k <= 2; ++k) {
            const PlanePoint p = planeOf(f, k * w / 2.0, l * h / 2.0);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    outW = roundedSize(maxX - minX);
    outH = roundedSize(maxY - minY);
    *out = new char[size_t(outW) * outH * 4];
    fillDirect(reinterpret_cast<uint32_t*>(*out), outW, outH, f,
               reinterpret_cast<const uint32_t*>(src), [&](int i, int j) {
                   return PlanePoint{minX + i, minY + j};
               });
    return 0;
}

int DewarpImageUtil::dewarpProjectionSlow(const char* src, int w, int h, float left, float top,
                                          float vSpan, float hSpan, char** out) {
    *out = nullptr;
    WindowFrame f;
    if (!src || !makeWindow(w, h, left, top, vSpan, hSpan, f)) return ResultCode::kBadArgument;
    const double u = planeOf(f, 0, 0).x, v = planeOf(f, w, 0).x;
    const double t = planeOf(f, w / 2.0, 0).y, b = planeOf(f, w / 2.0, h).y;
    const int spanX = toIndex(v - u + 0.5), spanY = toIndex(b - t + 0.5);
    const int s = std::min(spanX, spanY);
    *out = new char[size_t(w) * h * 4];
    fillDirect(reinterpret_cast<uint32_t*>(*out), w, h, f, reinterpret_cast<const uint32_t*>(src),
               [&](int i, int j) {
                   return PlanePoint{u + spanX / 2.0 + (i - w / 2.0) * s / w,
                                     t + spanY / 2.0 + (j - h / 2.0) * s / h};
               });
    return 0;
}

int DewarpImageUtil::dewarpProjection(const char* src, int w, int h, float left, float top,
                                      float vSpan, float hSpan, char* out) {
    return centredWindowView(src, w, h, left, top, vSpan, hSpan, out, false);
}

int DewarpImageUtil::dewarpProjectionBilinear(const char* src, int w, int h, float left, float top,
                                              float vSpan, float hSpan, char* out) {
    return centredWindowView(src, w, h, left, top, vSpan, hSpan, out, true);
}

int DewarpImageUtil::dewarpProjectionBilinear(const char* fisheye, int srcW, int srcH, float cx,
                                              float cy, float radius, float (*rot)[3], float left,
                                              float top, float vSpan, float hSpan, int outW,
                                              int outH, char* out) {
    constexpr int kWindowSide = 1000;
    if (!lensIsSet()) return -1;
    WindowFrame f;
    if (!validPicture(fisheye, srcW, srcH) || !validPicture(out, outW, outH) || !rot ||
        !makeWindow(kWindowSide, kWindowSide, left, top, vSpan, hSpan, f))
        return ResultCode::kBadArgument;
    const ViewSquare sq = viewSquare(f);
    const double step = double(sq.s) / std::max(outW, outH);
    auto map = [&](int i, int j) {
        return windowOf(f, sq.N + sq.spanX / 2.0 + (i - outW / 2.0) * step,
                        sq.M + sq.spanY / 2.0 + (j - outH / 2.0) * step);
    };
    const auto quarter = quarterPositions((outW + 1) / 2, (outH + 1) / 2, true, map);
    const uint32_t* src = reinterpret_cast<const uint32_t*>(fisheye);
    fillMirrored(reinterpret_cast<uint32_t*>(out), outW, outH, f, quarter,
                 [&](int col, int row) -> uint32_t {
                     int fx, fy;
                     DewarpImageUtil::translateToFisheyeCoord(float(f.colOff + col),
                                                              float(f.rowOff + row), f.Wf, f.Hf, cx,
                                                              cy, radius, rot, fx, fy);
                     const bool inside = fx >= 0 && fx < srcW && fy >= 0 && fy < srcH;
                     return inside ? src[size_t(fy) * srcW + fx] : 0;
                 });
    return 0;
}

void DewarpImageUtil::translateToFisheyeCoord(float x, float y, int W, int H, float cx, float cy,
                                              float radius, float (*rot)[3], int& fx, int& fy) {
    fx = fy = -1;
    if (!lensIsSet() || W <= 0 || H <= 0 || !rot) return;
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
        if (halfCovered <= 0 || h < 90 - halfCovered) return;
        const double horizontal = std::sqrt(double(r[0]) * r[0] + double(r[1]) * r[1]);
        const double dist = (90 - h) / halfCovered * radius;
        dx = dist * r[0] / horizontal;
        dy = dist * r[1] / horizontal;
    }
    double ox, oy;
    switch (lens().feFrontDirection) {
        case DIU_FRONT_NORMAL:
            ox = dx, oy = dy;
            break;
        case DIU_FRONT_QUARTER:
            ox = dy, oy = -dx;
            break;
        case DIU_FRONT_HALF:
            ox = -dx, oy = -dy;
            break;
        default:
            ox = -dy, oy = dx;
            break;
    }
    fx = toIndex(cx + ox + 0.5);
    fy = toIndex(cy + oy + 0.5);
}

int DewarpImageUtil::reverseToFisheye(void* equirect, void* fisheye, int W, int H, double (*rot)[3],
                                      int outW, int outH, double& cx, double& cy, double& radius) {
    if (!validPicture(fisheye, outW, outH)) return ResultCode::kBadArgument;
    std::memset(fisheye, 0xFF, static_cast<size_t>(outW) * outH * 4);
    cx = outW / 2.0;
    cy = outH / 2.0;
    radius = std::min(outW, outH) / 2.0 * 14 / 15;
    if (!lensIsSet()) return -1;
    if (!validPicture(equirect, W, H) || !rot) return ResultCode::kBadArgument;
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

void inverse_matrix(double in[3][3], float out[3][3]) {
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
                         float (*inv)[3], float* pixel) {
    constexpr unsigned kOutside = 0xFFFFFFFFu;
    if (!lensIsSet() || !validPicture(equirect, W, H) || !(radius > 0)) return kOutside;
    const double ox = pixel[0] - cx, oy = pixel[1] - cy;
    const double d2 = ox * ox + oy * oy;
    if (d2 > double(radius) * radius + 0.1) return kOutside;
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
    if (row < 0 || row >= H || col < 0 || col >= W) return kOutside;
    return equirect[static_cast<size_t>(row) * W + col];
}
