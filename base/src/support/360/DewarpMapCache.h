#pragma once

#include <cstddef>
#include <cstdint>

#include "Dewarp360Kernels.h"

// Replays fixed geometries. When a nearest dewarp has the same geometry as the call before it
// (lens, circle, rotation, sizes, patch size, fade switch: a recording without attitude data,
// or a view that does not move), a map of the codes of every output pixel is built once; from
// then on each call with that geometry gathers its pixels through the map, with the bytes the
// kernel gives. Pixels, patch pixels, bg and the fade colour are read at each call.
//
// Thread-safe: maps are immutable once built and shared; one call builds while the others run
// the kernel. At most kMaxMaps maps and kMaxBytes of codes are kept process-wide, the least
// recently used dropped first.
class DewarpMapCache {
  public:
    static constexpr std::size_t kMaxMaps = 2;
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    // Draws ctx's geometry into dst (dstW x dstH; tables as for the kernels) through its map
    // when there is one, building it with `codeKernel` when the call before had this geometry.
    // False when there is no map: the caller runs the kernel.
    static bool draw(const DewarpContext& ctx, const double R[9], int dstW, int dstH,
                     const float* sinTable, const float* cosTable, uint32_t* dst,
                     DewarpCodeKernel codeKernel, DewarpGatherKernel gatherKernel);

    struct Stats {
        std::size_t mappedDraws;  // draws served by a map since the start
        std::size_t maps;         // maps kept now
        std::size_t bytes;        // their size
    };
    static Stats stats();
};
