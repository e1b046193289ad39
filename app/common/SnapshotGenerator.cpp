#include "SnapshotGenerator.h"

// Every still image is made in two steps:
// 1. a plan: per destination row its latitude and its ring of the lens (or that the row is
//    black or a divider), per column its longitude for the upper and the lower half, the
//    divider columns;
// 2. rows in bands across threads: each pixel is the lens lookup (FisheyeLens, open edge) of
//    its row's latitude and its column's longitude.
// The lens rotation turns the z axis into itself, so the ring (the elevation and the distance
// from the lens centre) depends on the row alone.
// The angle view first makes the whole sphere at 3840x2160, then samples it per pixel along
// the inverse stereographic projection.

#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "FisheyeLens.h"
#include "RotationGeometry.h"

namespace {

const float kPi = 3.1415927f;
const uint32_t kTransparentBlack = 0x00000000u;
const uint32_t kDividerWhite = 0x00FFFFFFu;
const float kBandHalfHeight = 0.6544985f;  // 37.5 degrees
const int kSphereWidth = 3840;
const int kSphereHeight = 2160;
const int kRowsPerChunk = 8;

struct Lens {
    const uint32_t* pixels;
    FisheyeCircle circle;
};

enum class RowKind { Black, Divider, Upper, Lower };

struct Row {
    RowKind kind;
    float cosPhi;
    float sinPhi;
    FisheyeRing ring;
};

struct Columns {
    std::vector<float> cosTheta;
    std::vector<float> sinTheta;
};

struct Plan {
    std::vector<Row> rows;
    Columns upper;
    Columns lower;
    int dividerFrom = 1;  // white columns dividerFrom..dividerTo; none when from > to
    int dividerTo = 0;
};

// Longitude of a destination column, theta = 2 pi j / dstW, mapped by a view mode.
using ThetaMap = float (*)(float theta);

float sameTheta(float theta) { return theta; }
float halfUpperTheta(float theta) { return theta / 2.0f + kPi / 2.0f; }
float halfLowerTheta(float theta) {
    return theta < kPi ? theta / 2.0f + 4.7123890f : theta / 2.0f - 1.5707964f;
}
float quarterUpperTheta(float theta) {
    if (theta < kPi) return theta / 2.0f + 2.3561945f;
    if (theta < 4.7123890f) return theta / 2.0f + 3.9269910f;
    return theta / 2.0f - 2.3561945f;
}
float quarterLowerTheta(float theta) {
    return theta < kPi ? theta / 2.0f + 0.7853982f : theta / 2.0f + 2.3561945f;
}

Columns columnsOf(int dstW, ThetaMap map) {
    Columns columns;
    columns.cosTheta.resize(dstW);
    columns.sinTheta.resize(dstW);
    for (int j = 0; j < dstW; ++j) {
        const float theta = map(2.0f * kPi * j / dstW);
        columns.cosTheta[j] = std::cos(theta);
        columns.sinTheta[j] = std::sin(theta);
    }
    return columns;
}

const Row kBlackRow{RowKind::Black, 0.0f, 0.0f, {}};
const Row kDividerRow{RowKind::Divider, 0.0f, 0.0f, {}};

Row rowAt(RowKind kind, float phi, float radius) {
    Row row{kind, std::cos(phi), std::sin(phi), {}};
    const float d[3] = {row.cosPhi, 0.0f, row.sinPhi};
    float r[3];
    fisheyeLensDirection(d, r);
    row.ring = fisheyeRing(r[2], radius);
    return row;
}

float rowLatitude(int i, int dstH) { return kPi / 2.0f - kPi * i / dstH; }

Plan panoramaPlan(int dstW, int dstH, float radius) {
    Plan plan;
    for (int i = 0; i < dstH; ++i) {
        const float phi = rowLatitude(i, dstH);
        plan.rows.push_back(
            std::fabs(phi) > kBandHalfHeight
                ? kBlackRow
                : rowAt(RowKind::Upper, phi - kBandHalfHeight + 0.2617994f, radius));
    }
    plan.upper = columnsOf(dstW, sameTheta);
    return plan;
}

// Rows of 2in1 and 4in1: a 3-row divider around dstH / 2, each half latitudes -60 to +15.
std::vector<Row> halfRows(int dstH, float radius) {
    std::vector<Row> rows;
    const int middle = dstH / 2;
    for (int i = 0; i < dstH; ++i) {
        const float p = rowLatitude(i, dstH) / (kPi / 2.0f);
        if (std::abs(i - middle) <= 1)
            rows.push_back(kDividerRow);
        else if (i < middle)
            rows.push_back(rowAt(RowKind::Upper, p * 1.3089970f - 1.0471976f, radius));
        else
            rows.push_back(rowAt(RowKind::Lower, p * 1.3089970f + 0.2617994f, radius));
    }
    return rows;
}

Plan halfPlan(int dstW, int dstH, float radius) {
    Plan plan;
    plan.rows = halfRows(dstH, radius);
    plan.upper = columnsOf(dstW, halfUpperTheta);
    plan.lower = columnsOf(dstW, halfLowerTheta);
    return plan;
}

Plan quarterPlan(int dstW, int dstH, float radius) {
    Plan plan;
    plan.rows = halfRows(dstH, radius);
    plan.upper = columnsOf(dstW, quarterUpperTheta);
    plan.lower = columnsOf(dstW, quarterLowerTheta);
    plan.dividerFrom = dstW / 2 - 1;
    plan.dividerTo = dstW / 2 + 1;
    return plan;
}

// Whole sphere: rows beyond the lens circle are black; the open edge still applies to the frame.
Plan spherePlan(int dstW, int dstH, float radius) {
    Plan plan;
    for (int i = 0; i < dstH; ++i) {
        const Row row = rowAt(RowKind::Upper, rowLatitude(i, dstH), radius);
        plan.rows.push_back(row.ring.elevation < kFisheyeEdgeElevation ? kBlackRow : row);
    }
    plan.upper = columnsOf(dstW, sameTheta);
    return plan;
}

// The source pixel of a lens direction on the row's ring; transparent black where the lens
// gives none.
inline uint32_t lensPixel(const Lens& lens, const FisheyeRing& ring, const float r[3]) {
    int column = 0;
    int row = 0;
    if (!fisheyePixel(lens.circle, ring, r[0], r[1], FisheyeEdge::kOpen, &column, &row))
        return kTransparentBlack;
    return lens.pixels[static_cast<size_t>(row) * lens.circle.width + column];
}

inline void lensDirection(const Row& row, const Columns& columns, int j, float r[3]) {
    const float d[3] = {row.cosPhi * columns.cosTheta[j], -row.cosPhi * columns.sinTheta[j],
                        row.sinPhi};
    fisheyeLensDirection(d, r);
}

void drawRows(const Plan& plan, const Lens& lens, uint32_t* dst, int dstW, int from, int to) {
    for (int i = from; i < to; ++i) {
        uint32_t* out = dst + static_cast<size_t>(i) * dstW;
        const Row& row = plan.rows[i];
        if (row.kind == RowKind::Black || row.kind == RowKind::Divider) {
            std::fill(out, out + dstW,
                      row.kind == RowKind::Black ? kTransparentBlack : kDividerWhite);
            continue;
        }
        const Columns& columns = row.kind == RowKind::Upper ? plan.upper : plan.lower;
        for (int j = 0; j < dstW; ++j) {
            if (j >= plan.dividerFrom && j <= plan.dividerTo) {
                out[j] = kDividerWhite;
                continue;
            }
            float r[3];
            lensDirection(row, columns, j, r);
            out[j] = lensPixel(lens, row.ring, r);
        }
    }
}

// Runs draw(from, to) over chunks of rows taken in turn by the caller and by pool threads
// where free, so that black and picture rows spread evenly.
void forRowBands(int rows, const std::function<void(int, int)>& draw) {
    QThreadPool* pool = QThreadPool::globalInstance();
    const int workers = std::max(1, std::min(pool->maxThreadCount(), rows / kRowsPerChunk));
    std::atomic<int> next{0};
    const auto work = [&next, &draw, rows] {
        for (int from = next.fetch_add(kRowsPerChunk); from < rows;
             from = next.fetch_add(kRowsPerChunk))
            draw(from, std::min(rows, from + kRowsPerChunk));
    };
    QSemaphore finished;
    int started = 0;
    for (int i = 1; i < workers; ++i) {
        if (pool->tryStart([&work, &finished] {
                work();
                finished.release();
            }))
            ++started;
    }
    work();
    finished.acquire(started);
}

bool validDestination(const unsigned char* dst, int dstW, int dstH) {
    return dst && dstW > 0 && dstH > 0;
}

// False (and the destination cleared) when there is no source to sample.
bool usableSource(const unsigned char* src, int srcW, int srcH, unsigned char* dst, int dstW,
                  int dstH) {
    if (src && srcW > 0 && srcH > 0) return true;
    std::memset(dst, 0, static_cast<size_t>(dstW) * dstH * 4);
    return false;
}

void render(const Plan& plan, const unsigned char* src, int srcW, int srcH, unsigned char* dst,
            int dstW, int dstH, float centerX, float centerY, float radius) {
    const Lens lens{reinterpret_cast<const uint32_t*>(src), {centerX, centerY, radius, srcW, srcH}};
    uint32_t* out = reinterpret_cast<uint32_t*>(dst);
    forRowBands(dstH, [&](int from, int to) { drawRows(plan, lens, out, dstW, from, to); });
}

using PlanMaker = Plan (*)(int dstW, int dstH, float radius);

void renderView(PlanMaker makePlan, const unsigned char* src, int srcW, int srcH,
                unsigned char* dst, int dstW, int dstH, float centerX, float centerY,
                float radius) {
    if (!validDestination(dst, dstW, dstH) || !usableSource(src, srcW, srcH, dst, dstW, dstH))
        return;
    render(makePlan(dstW, dstH, radius), src, srcW, srcH, dst, dstW, dstH, centerX, centerY,
           radius);
}

// Transpose of Rx(angleX) x Ry(angleY), angles in degrees.
void inverseViewRotation(float angleX, float angleY, float out[9]) {
    double rx[9];
    double ry[9];
    double model[9];
    double inverse[9];
    fillRotationMatrixAlongX(angleX * M_PI / 180.0, rx);
    fillRotationMatrixAlongY(angleY * M_PI / 180.0, ry);
    rmatrixMutiply(rx, ry, model);
    rmatrixInverse(model, inverse);
    rmatrixCopy(inverse, out);
}

// (int)value limited to 0..size - 1; NaN gives 0.
inline int clampedIndex(float value, int size) {
    return static_cast<int>(std::min(static_cast<float>(size - 1), std::max(0.0f, value)));
}

// Intermediate sphere pixel of a view direction q.
inline uint32_t spherePixelOf(const uint32_t* sphere, const float q[3]) {
    const float y = std::min(1.0f, std::max(-1.0f, q[1]));
    const float lat = std::asin(y) * 180.0f / kPi;
    const float lng = y * y > 0.9999f ? 0.0f : std::atan2(-q[0], -q[2]) * 180.0f / kPi;
    const int column = clampedIndex(lng / 360.0f * kSphereWidth + kSphereWidth / 2, kSphereWidth);
    const int line = clampedIndex(lat / -180.0f * kSphereHeight + kSphereHeight / 2, kSphereHeight);
    return sphere[static_cast<size_t>(line) * kSphereWidth + column];
}

}  // namespace

void SnapshotGenerator::snapshotPanorama(const unsigned char* src, int srcW, int srcH,
                                         unsigned char* dst, int dstW, int dstH, float centerX,
                                         float centerY, float radius) {
    renderView(panoramaPlan, src, srcW, srcH, dst, dstW, dstH, centerX, centerY, radius);
}

void SnapshotGenerator::snapshotHalf(const unsigned char* src, int srcW, int srcH,
                                     unsigned char* dst, int dstW, int dstH, float centerX,
                                     float centerY, float radius) {
    renderView(halfPlan, src, srcW, srcH, dst, dstW, dstH, centerX, centerY, radius);
}

void SnapshotGenerator::snapshotQuarter(const unsigned char* src, int srcW, int srcH,
                                        unsigned char* dst, int dstW, int dstH, float centerX,
                                        float centerY, float radius) {
    renderView(quarterPlan, src, srcW, srcH, dst, dstW, dstH, centerX, centerY, radius);
}

void SnapshotGenerator::snapshot(const unsigned char* src, int srcW, int srcH, unsigned char* dst,
                                 int dstW, int dstH, float centerX, float centerY, float radius) {
    renderView(spherePlan, src, srcW, srcH, dst, dstW, dstH, centerX, centerY, radius);
}

void SnapshotGenerator::snapshotAngle(const unsigned char* src, int srcW, int srcH,
                                      unsigned char* dst, int dstW, int dstH, float centerX,
                                      float centerY, float radius, float zoom, float angleX,
                                      float angleY) {
    if (!validDestination(dst, dstW, dstH) || !usableSource(src, srcW, srcH, dst, dstW, dstH))
        return;
    std::vector<uint32_t> sphere(static_cast<size_t>(kSphereWidth) * kSphereHeight);
    snapshot(src, srcW, srcH, reinterpret_cast<unsigned char*>(sphere.data()), kSphereWidth,
             kSphereHeight, centerX, centerY, radius);
    float inverse[9];
    inverseViewRotation(angleX, angleY, inverse);
    const float t = zoom * 0.1f;
    std::vector<float> planeX(dstW);
    for (int j = 0; j < dstW; ++j) planeX[j] = t * (2.0f * (dstW - 1 - j) / dstW - 1.0f);
    uint32_t* out = reinterpret_cast<uint32_t*>(dst);
    forRowBands(dstH, [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const float b = (1.0f - 2.0f * i / dstH) * (dstH * t / dstW);
            uint32_t* line = out + static_cast<size_t>(i) * dstW;
            for (int j = 0; j < dstW; ++j) {
                const float a = planeX[j];
                const float s = 1.0f + a * a + b * b;
                const float p[3] = {2.0f * a / s, 2.0f * b / s, (a * a + b * b - 1.0f) / s};
                float q[3];
                rotate(inverse, p, q);
                line[j] = spherePixelOf(sphere.data(), q);
            }
        }
    });
}
