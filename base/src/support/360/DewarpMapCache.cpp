// Map cache, per call:
//   1. the key of the call's geometry;
//   2. a kept map with that key is used; else the key is remembered, and when it equals the
//      key of the call before, this call builds the map (codes kernel, then the fade pixels'
//      own codes and weights) and keeps it;
//   3. with a map: gather, then fade the listed pixels.

#include "DewarpMapCache.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Everything that fixes the codes, packed without padding so it compares with memcmp (bit for
// bit, so -0.0 and NaN compare as they are).
struct Key {
    double R[9];
    int32_t dstW, dstH, srcW, srcH, patchW, patchH;
    float cx, cy, k, kp, pcx, pcy, edge, fadeEnd;
    int32_t hasPatch, fade, swapAB, negU, negV, unused;
};
static_assert(sizeof(Key) == 9 * 8 + 6 * 4 + 8 * 4 + 6 * 4, "Key must have no padding");

bool sameKey(const Key& a, const Key& b) { return std::memcmp(&a, &b, sizeof(Key)) == 0; }

Key keyOf(const DewarpContext& ctx, const double R[9], int dstW, int dstH) {
    Key key;
    std::memset(&key, 0, sizeof key);
    std::memcpy(key.R, R, sizeof key.R);
    key.dstW = dstW, key.dstH = dstH;
    key.srcW = ctx.srcW, key.srcH = ctx.srcH;
    key.patchW = ctx.patchW, key.patchH = ctx.patchH;
    key.cx = ctx.cx, key.cy = ctx.cy, key.k = ctx.k, key.kp = ctx.kp;
    key.pcx = ctx.pcx, key.pcy = ctx.pcy, key.edge = ctx.edge, key.fadeEnd = ctx.fadeEnd;
    key.hasPatch = ctx.patch != nullptr, key.fade = ctx.fade;
    key.swapAB = ctx.swapAB, key.negU = ctx.negU, key.negV = ctx.negV;
    return key;
}

struct FadeEntry {
    size_t position;
    float weight;
};

// Immutable once built.
struct Map {
    Key key;
    std::vector<int32_t> codes;
    std::vector<FadeEntry> fades;

    size_t bytes() const {
        return codes.size() * sizeof(int32_t) + fades.size() * sizeof(FadeEntry);
    }
};

size_t codeBytes(int dstW, int dstH) { return size_t(dstW) * size_t(dstH) * sizeof(int32_t); }

bool mappable(const DewarpContext& ctx, int dstW, int dstH) {
    return int64_t(ctx.srcW) * ctx.srcH < kDewarpMaxCodedPixels &&
           int64_t(ctx.patchW) * ctx.patchH < kDewarpMaxCodedPixels &&
           codeBytes(dstW, dstH) <= DewarpMapCache::kMaxBytes / DewarpMapCache::kMaxMaps;
}

void resolveFades(Map* map, const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                  const float* sinTable, const float* cosTable) {
    for (int i = 0; i < dstH; ++i) {
        int32_t* line = map->codes.data() + size_t(i) * dstW;
        bool haveRow = false;
        DewarpRow row{};
        for (int j = 0; j < dstW; ++j) {
            if (line[j] != kDewarpCodeFade) continue;
            if (!haveRow) row = makeDewarpRow(R, dewarpRowLatitude(i, dstH)), haveRow = true;
            const DewarpPixelCode pc = dewarpPixelCode(ctx, row, sinTable[j], cosTable[j]);
            line[j] = pc.code;
            if (pc.fadeWeight >= 0.0f)
                map->fades.push_back({size_t(i) * dstW + size_t(j), pc.fadeWeight});
        }
    }
}

std::shared_ptr<const Map> build(const Key& key, const DewarpContext& ctx, const double R[9],
                                 int dstW, int dstH, const float* sinTable, const float* cosTable,
                                 DewarpCodeKernel codeKernel) {
    auto map = std::make_shared<Map>();
    map->key = key;
    map->codes.resize(size_t(dstW) * dstH);
    codeKernel(ctx, R, dstW, dstH, sinTable, cosTable, map->codes.data());
    resolveFades(map.get(), ctx, R, dstW, dstH, sinTable, cosTable);
    return map;
}

// The process-wide maps.
class Cache {
  public:
    // The kept map of `key` (a draw through it is counted), or null; sets *build when the
    // caller is to build it.
    std::shared_ptr<const Map> find(const Key& key, bool* build) {
        std::lock_guard<std::mutex> lock(mutex);
        *build = false;
        for (size_t i = 0; i < maps.size(); ++i) {
            if (!sameKey(maps[i]->key, key)) continue;
            std::shared_ptr<const Map> hit = maps[i];
            maps.erase(maps.begin() + static_cast<std::ptrdiff_t>(i));
            maps.insert(maps.begin(), hit);
            ++mappedDraws;
            return hit;
        }
        *build = haveLastMiss && sameKey(lastMiss, key) && !building;
        building = building || *build;
        lastMiss = key;
        haveLastMiss = true;
        return nullptr;
    }

    // Ends a build; keeps `map` (null when the build failed) in front, for the draw that built it.
    void built(std::shared_ptr<const Map> map) {
        std::lock_guard<std::mutex> lock(mutex);
        building = false;
        if (!map) return;
        ++mappedDraws;
        maps.insert(maps.begin(), std::move(map));
        size_t bytes = 0, count = 0;
        while (count < maps.size() && count < DewarpMapCache::kMaxMaps &&
               bytes + maps[count]->bytes() <= DewarpMapCache::kMaxBytes)
            bytes += maps[count++]->bytes();
        maps.resize(count);
    }

    DewarpMapCache::Stats stats() {
        std::lock_guard<std::mutex> lock(mutex);
        DewarpMapCache::Stats s{mappedDraws, maps.size(), 0};
        for (const auto& m : maps) s.bytes += m->bytes();
        return s;
    }

  private:
    std::mutex mutex;
    // Guarded by mutex: the maps, most recently used first; the key of the last call that found
    // no map; whether a call is building a map; the draws served by maps.
    std::vector<std::shared_ptr<const Map>> maps;
    Key lastMiss;
    bool haveLastMiss = false;
    bool building = false;
    size_t mappedDraws = 0;
};

Cache& cache() {
    static Cache* instance = new Cache;  // never destroyed: dewarps may run during exit
    return *instance;
}

}  // namespace

bool DewarpMapCache::draw(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                          const float* sinTable, const float* cosTable, uint32_t* dst,
                          DewarpCodeKernel codeKernel, DewarpGatherKernel gatherKernel) {
    if (!mappable(ctx, dstW, dstH)) return false;
    const Key key = keyOf(ctx, R, dstW, dstH);
    bool mustBuild = false;
    std::shared_ptr<const Map> map = cache().find(key, &mustBuild);
    if (mustBuild) {
        try {
            map = build(key, ctx, R, dstW, dstH, sinTable, cosTable, codeKernel);
        } catch (const std::bad_alloc&) {
            map = nullptr;
        }
        cache().built(map);
    }
    if (!map) return false;
    gatherKernel(map->codes.data(), map->codes.size(), ctx.src, ctx.patch,
                 int64_t(ctx.patchW) * ctx.patchH, ctx.bg, dst);
    for (const FadeEntry& f : map->fades)
        dst[f.position] = fadeDewarpPixel(ctx.fadeBytes, f.weight, dst[f.position]);
    return true;
}

DewarpMapCache::Stats DewarpMapCache::stats() { return cache().stats(); }
