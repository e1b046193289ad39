#include "Dewarp360Tables.h"

#include <cmath>
#include <memory>
#include <mutex>

#include "Dewarp360.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kAsinSteps = 4096;
constexpr int kAsinPad = 20;
constexpr int kAsinSize = 2 * (kAsinSteps + kAsinPad) + 1;  // 8,233
constexpr int kCosSize = kAsinSteps + 1 + kAsinPad;         // 4,117
constexpr float kFloatHalfPi = 1.5707964f;

float gArcSin[kAsinSize];
float gMajorCos[kCosSize];
std::once_flag gArcSinOnce;
std::once_flag gCosOnce;

void buildArcSin() {
    float* centre = gArcSin + kAsinSteps + kAsinPad;
    for (int i = 0; i < kAsinPad; ++i) {
        gArcSin[i] = -kFloatHalfPi;
        gArcSin[kAsinSize - 1 - i] = kFloatHalfPi;
    }
    for (int k = 0; k <= kAsinSteps; ++k) {
        const float a = static_cast<float>(std::asin(static_cast<double>(k) / kAsinSteps));
        centre[k] = a;
        centre[-k] = -a;
    }
}

void buildCos() {
    for (int k = 0; k < kAsinSteps; ++k) {
        const float angle = static_cast<float>(k) * kFloatHalfPi * 0.00024414062f;
        gMajorCos[k] = static_cast<float>(std::cos(static_cast<double>(angle)));
    }
    gMajorCos[kAsinSteps] = static_cast<float>(std::cos(static_cast<double>(kFloatHalfPi)));
    for (int k = kAsinSteps + 1; k < kCosSize; ++k) gMajorCos[k] = 0.0f;
}

bool validColumns(int n) { return n >= 1 && n <= kDewarpMaxSide; }

// Append-only caches. Entries are filled before they are appended, under the lock; they are
// never removed, so pointers handed out stay valid. The caches are never destroyed, so a
// dewarp still running while the process exits reads valid memory.
struct TableCaches {
    std::mutex mutex;
    std::vector<std::unique_ptr<MajorSinCosTable>> major;      // guarded by mutex
    std::vector<std::unique_ptr<PartialSinCosTable>> partial;  // guarded by mutex
};

TableCaches& caches() {
    static TableCaches* instance = new TableCaches;
    return *instance;
}

std::unique_ptr<MajorSinCosTable> buildMajor(int n) {
    auto t = std::make_unique<MajorSinCosTable>();
    t->n = n;
    t->sin.resize(n);
    t->cos.resize(n);
    for (int k = 0; k < n; ++k) {
        const double a = 2.0 * kPi * k / n;
        t->sin[k] = static_cast<float>(std::sin(a));
        t->cos[k] = static_cast<float>(std::cos(a));
    }
    t->ndxPerRadian = n / (2.0 * kPi);
    return t;
}

std::unique_ptr<PartialSinCosTable> buildPartial(int n, double startDeg, double endDeg) {
    auto t = std::make_unique<PartialSinCosTable>();
    t->n = n;
    t->startDeg = startDeg;
    t->endDeg = endDeg;
    t->sin.resize(n);
    t->cos.resize(n);
    const double start = startDeg * kPi / 180.0;
    const double step = n > 1 ? (endDeg - startDeg) * kPi / 180.0 / (n - 1) : 0.0;
    for (int k = 0; k < n; ++k) {
        const double a = start + k * step;
        t->sin[k] = static_cast<float>(std::sin(a));
        t->cos[k] = static_cast<float>(std::cos(a));
    }
    return t;
}

}  // namespace

const float* _init360ArcSinTable() {
    std::call_once(gArcSinOnce, buildArcSin);
    return gArcSin + kAsinSteps + kAsinPad;
}

const float* _init360MajorSinCosTable() {
    std::call_once(gCosOnce, buildCos);
    return gMajorCos;
}

const MajorSinCosTable* _get360MajorSinCosTable(int n) {
    if (!validColumns(n)) return nullptr;
    TableCaches& c = caches();
    std::lock_guard<std::mutex> lock(c.mutex);
    for (const auto& t : c.major)
        if (t->n == n) return t.get();
    c.major.push_back(buildMajor(n));
    return c.major.back().get();
}

const PartialSinCosTable* get360PartialSinCosTable(int n, double startDeg, double endDeg) {
    if (!validColumns(n)) return nullptr;
    TableCaches& c = caches();
    std::lock_guard<std::mutex> lock(c.mutex);
    for (const auto& t : c.partial)
        if (t->n == n && t->startDeg == startDeg && t->endDeg == endDeg) return t.get();
    c.partial.push_back(buildPartial(n, startDeg, endDeg));
    return c.partial.back().get();
}
