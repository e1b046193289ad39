// Dewarp kernels (C, SSE2, AVX2; nearest and bilinear) at the conversion sizes from a 2016x2016
// fisheye, covered 210, a random rotation; one thread and four at once. The peer is FFmpeg's v360
// filter (fisheye to equirect, 210 degrees) on the same frame in this process, one slice thread,
// fed its own planar format with four channels (gbrap: the same bytes as our BGRA, so no colour
// conversion). The first call of a width (table build) is measured apart from the steady state.
// A rotation that stays the same from call to call goes through the dewarp entry (a map of the
// geometry replayed by a gather); its floor is a bare AVX2 gather over a precomputed index of
// the same pixels. Also the colour filter on a 2016x2016 frame.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <immintrin.h>

#include <benchmark/benchmark.h>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

#include "ColorFilter.h"
#include "Dewarp360.h"
#include "Dewarp360Kernels.h"
#include "Dewarp360Tables.h"
#include "DewarpMapCache.h"
#include "PeerRatio.h"
#include "RotationGeometry.h"

namespace {

constexpr int kSrcSide = 2016;

const std::vector<uint32_t>& source() {
    static const std::vector<uint32_t> src = [] {
        std::mt19937 rng(1);
        std::vector<uint32_t> s(static_cast<size_t>(kSrcSide) * kSrcSide);
        for (uint32_t& p : s) p = rng();
        return s;
    }();
    return src;
}

const double* rotation() {
    static double R[9];
    static const bool filled = [] {
        double q[4] = {0.9, 0.2, -0.3, 0.25};
        refineQuaternion(q);
        fillRotationMatrixByQuaternion(q, R);
        return true;
    }();
    (void)filled;
    return R;
}

// FFmpeg's v360 in a filter graph: the source as gbrap frames in (v360 takes no packed
// formats), w x w/2 equirect gbrap out.
class V360Peer {
  public:
    V360Peer(int w, const char* interp) {
        graph_ = avfilter_graph_alloc();
        graph_->nb_threads = 1;
        char args[128];
        std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/30", kSrcSide,
                      kSrcSide, AV_PIX_FMT_GBRAP);
        char filter[160];
        std::snprintf(filter, sizeof filter,
                      "v360=input=fisheye:output=equirect:ih_fov=210:iv_fov=210:yaw=20:pitch=-30:"
                      "roll=15:interp=%s:w=%d:h=%d",
                      interp, w, w / 2);
        AVFilterInOut* in = avfilter_inout_alloc();
        AVFilterInOut* out = avfilter_inout_alloc();
        ok_ = avfilter_graph_create_filter(&src_, avfilter_get_by_name("buffer"), "in", args,
                                           nullptr, graph_) >= 0 &&
              avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, graph_) >= 0;
        out->name = av_strdup("in"), out->filter_ctx = src_;
        in->name = av_strdup("out"), in->filter_ctx = sink_;
        ok_ = ok_ && avfilter_graph_parse_ptr(graph_, filter, &in, &out, nullptr) >= 0 &&
              avfilter_graph_config(graph_, nullptr) >= 0;
        avfilter_inout_free(&in);
        avfilter_inout_free(&out);
        frame_ = av_frame_alloc();
        frame_->format = AV_PIX_FMT_GBRAP;
        frame_->width = frame_->height = kSrcSide;
        ok_ = ok_ && av_frame_get_buffer(frame_, 32) >= 0 && noConversion();
        if (ok_) fillPlanes();
        result_ = av_frame_alloc();
    }
    ~V360Peer() {
        av_frame_free(&frame_);
        av_frame_free(&result_);
        avfilter_graph_free(&graph_);
    }
    bool ok() const { return ok_; }
    // One frame through the filter.
    bool run() {
        frame_->pts = pts_++;
        if (av_buffersrc_add_frame_flags(src_, frame_, AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
            av_buffersink_get_frame(sink_, result_) < 0)
            return false;
        av_frame_unref(result_);
        return true;
    }

  private:
    // The source's bytes B, G, R, A into the planes G, B, R, A.
    void fillPlanes() {
        const int planeOfByte[4] = {1, 0, 2, 3};
        for (int y = 0; y < kSrcSide; ++y) {
            const uint32_t* line = source().data() + static_cast<size_t>(y) * kSrcSide;
            for (int b = 0; b < 4; ++b) {
                const int plane = planeOfByte[b];
                uint8_t* out =
                    frame_->data[plane] + static_cast<size_t>(y) * frame_->linesize[plane];
                for (int x = 0; x < kSrcSide; ++x)
                    out[x] = static_cast<uint8_t>(line[x] >> (8 * b));
            }
        }
    }
    // Whether the graph runs v360 with no format conversion inserted before it.
    bool noConversion() const {
        for (unsigned i = 0; i < graph_->nb_filters; ++i)
            if (std::strcmp(graph_->filters[i]->filter->name, "scale") == 0) return false;
        return true;
    }

    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVFrame* result_ = nullptr;
    int64_t pts_ = 0;
    bool ok_ = false;
};

void runPeer(benchmark::State& state, const char* interp) {
    const int w = static_cast<int>(state.range(0));
    V360Peer peer(w, interp);
    if (!peer.ok() || !peer.run()) {
        state.SkipWithError("v360 failed");
        return;
    }
    for (auto _ : state)
        if (!peer.run()) state.SkipWithError("v360 failed");
    state.SetItemsProcessed(state.iterations() * w * (w / 2));
}

void BM_V360Peer_Bilinear(benchmark::State& state) { runPeer(state, "line"); }
void BM_V360Peer_Nearest(benchmark::State& state) { runPeer(state, "near"); }

// One w x w/2 dewarp of the source into dst with `kernel`.
void draw(DewarpKernel kernel, int w, std::vector<uint32_t>& dst) {
    static const uint32_t bg = 0xff000000u;
    const MajorSinCosTable* table = _get360MajorSinCosTable(w);
    dst.resize(static_cast<size_t>(w) * (w / 2));
    kernel(source().data(), dst.data(), kSrcSide, kSrcSide, 1008, 1008, 1000, rotation(), w, w / 2,
           table->sin.data(), table->cos.data(), 0, &bg, 1, 1);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
}

void runKernel(benchmark::State& state, DewarpKernel kernel, DewarpKernelKind kind) {
    if (!processorRunsDewarpKernel(kind)) {
        state.SkipWithError("this processor lacks the kernel");
        return;
    }
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const int w = static_cast<int>(state.range(0));
    std::vector<uint32_t> dst;
    for (auto _ : state) draw(kernel, w, dst);
    state.SetItemsProcessed(state.iterations() * w * (w / 2));
}

void BM_Dewarp_C(benchmark::State& state) {
    runKernel(state, dewarpWithRotatedSrc_C, DewarpKernelKind::C);
}
void BM_Dewarp_SSE2(benchmark::State& state) {
    runKernel(state, dewarpWithRotatedSrc_SSE2, DewarpKernelKind::SSE2);
}
void BM_Dewarp_AVX2(benchmark::State& state) {
    runKernel(state, dewarpWithRotatedSrc_AVX2, DewarpKernelKind::AVX2);
}

void BM_DewarpBilinear_C(benchmark::State& state) {
    runKernel(state, dewarpBilinearWithRotatedSrc, DewarpKernelKind::C);
}
void BM_DewarpBilinear_SSE2(benchmark::State& state) {
    runKernel(state, dewarpBilinearWithRotatedSrc_SSE2, DewarpKernelKind::SSE2);
}
void BM_DewarpBilinear_AVX2(benchmark::State& state) {
    runKernel(state, dewarpBilinearWithRotatedSrc_AVX2, DewarpKernelKind::AVX2);
}

// The precomputed index of the rotation's nearest pixels for a w x w/2 output: the source pixel
// of each output pixel, -1 where the output takes bg.
std::vector<int32_t> floorIndex(int w) {
    static const uint32_t bg = 0;
    const MajorSinCosTable* table = _get360MajorSinCosTable(w);
    DewarpContext ctx;
    if (!makeDewarpContext(&ctx, source().data(), kSrcSide, kSrcSide, 1008, 1008, 1000, 0, &bg, 1,
                           1, w, w / 2))
        return {};
    std::vector<int32_t> index(static_cast<size_t>(w) * (w / 2));
    dewarpCodes_C(ctx, rotation(), w, w / 2, table->sin.data(), table->cos.data(), index.data());
    for (int32_t& i : index) i = i < 0 ? -1 : i;
    return index;
}

// The floor: dst[i] = src[index[i]], or bg (0) where the index is negative, eight at a time.
__attribute__((target("avx2"))) void gatherFloor(const std::vector<int32_t>& index,
                                                 std::vector<uint32_t>& dst) {
    const int* src = reinterpret_cast<const int*>(source().data());
    const __m256i bg = _mm256_setzero_si256(), minusOne = _mm256_set1_epi32(-1);
    for (size_t i = 0; i + 8 <= index.size(); i += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index.data() + i));
        const __m256i p =
            _mm256_mask_i32gather_epi32(bg, src, at, _mm256_cmpgt_epi32(at, minusOne), 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst.data() + i), p);
    }
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
}

// One w x w/2 dewarp through the entry with the fixed rotation (fill colour 0, no pattern).
void drawByEntry(int w, std::vector<uint32_t>& dst) {
    dst.resize(static_cast<size_t>(w) * (w / 2));
    dewarp(source().data(), dst.data(), kSrcSide, kSrcSide, 1008, 1008, 1000, rotation(), w, w / 2,
           0);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
}

// The floor is usable: AVX2 runs here and it gives the entry's pixels.
bool floorUsable(int w, const std::vector<int32_t>& index) {
    if (!processorRunsDewarpKernel(DewarpKernelKind::AVX2) || index.empty()) return false;
    std::vector<uint32_t> byEntry, byFloor(index.size());
    drawByEntry(w, byEntry);
    gatherFloor(index, byFloor);
    return byEntry == byFloor;
}

// The floor's index for the benchmark's width; empty (the benchmark skipped) when unusable.
std::vector<int32_t> usableFloorIndex(benchmark::State& state) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const int w = static_cast<int>(state.range(0));
    std::vector<int32_t> index = floorIndex(w);
    if (floorUsable(w, index)) return index;
    state.SkipWithError("no AVX2, or the floor's pixels differ from the dewarp's");
    return {};
}

void BM_GatherFloor(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const std::vector<int32_t> index = usableFloorIndex(state);
    if (index.empty()) return;
    std::vector<uint32_t> dst(index.size());
    for (auto _ : state) gatherFloor(index, dst);
    state.SetItemsProcessed(state.iterations() * w * (w / 2));
}

// The entry with a rotation that does not change: after the first two calls, the map's gather.
void BM_DewarpRepeatedRotation(benchmark::State& state) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const int w = static_cast<int>(state.range(0));
    std::vector<uint32_t> dst;
    for (auto _ : state) drawByEntry(w, dst);
    state.SetItemsProcessed(state.iterations() * w * (w / 2));
}

// Ours / the floor in alternating rounds: the entry with a repeated rotation, or the nearest
// AVX2 kernel computing the geometry each time.
void ratioToFloor(benchmark::State& state, bool repeatedRotation) {
    const int w = static_cast<int>(state.range(0));
    const std::vector<int32_t> index = usableFloorIndex(state);
    if (index.empty()) return;
    std::vector<uint32_t> ours, floor(index.size());
    drawByEntry(w, ours);  // with floorUsable's call, the map is built by now
    auto oursOnce = [&] {
        if (repeatedRotation)
            drawByEntry(w, ours);
        else
            draw(dewarpWithRotatedSrc_AVX2, w, ours);
    };
    PeerRatio::run(state, oursOnce, [&] { gatherFloor(index, floor); });
}

void BM_RatioRepeatedRotationToFloor(benchmark::State& state) { ratioToFloor(state, true); }
void BM_RatioNearestAVX2ToFloor(benchmark::State& state) { ratioToFloor(state, false); }

// Ours (`drawOnce` into dst) and v360 with the same sampling, in alternating rounds. v360
// builds its tables once when configured, so its frames compare with our repeated rotation.
void ratioToV360(benchmark::State& state, const char* interp,
                 const std::function<void(int, std::vector<uint32_t>&)>& drawOnce) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    const int w = static_cast<int>(state.range(0));
    V360Peer peer(w, interp);
    if (!peer.ok() || !peer.run()) {
        state.SkipWithError("v360 failed");
        return;
    }
    std::vector<uint32_t> dst;
    drawOnce(w, dst);  // first touch of the output, as for the peer
    drawOnce(w, dst);
    PeerRatio::run(
        state, [&] { drawOnce(w, dst); }, [&] { peer.run(); });
}

void BM_RatioBilinearToV360(benchmark::State& state) {
    ratioToV360(state, "line", [](int w, std::vector<uint32_t>& dst) {
        draw(chosenDewarpBilinearKernel(), w, dst);
    });
}
void BM_RatioNearestToV360(benchmark::State& state) {
    ratioToV360(state, "near",
                [](int w, std::vector<uint32_t>& dst) { draw(chosenDewarpKernel(), w, dst); });
}
void BM_RatioRepeatedRotationToV360(benchmark::State& state) {
    ratioToV360(state, "near", drawByEntry);
}

// The first dewarp of a width: building its sin/cos table, then the chosen kernel.
void BM_Dewarp_FirstCallOfWidth(benchmark::State& state) {
    setCameraParameters(FRONT_DIRECTION_NORMAL, 210);
    static std::atomic<int> nextWidth{2160 + 4};
    std::vector<uint32_t> dst(3840 * 1920);
    int64_t pixels = 0;
    for (auto _ : state) {
        const int w = nextWidth.fetch_add(4);
        dewarp(source().data(), dst.data(), kSrcSide, kSrcSide, 1008, 1008, 1000, rotation(), w,
               1080, 0);
        pixels += static_cast<int64_t>(w) * 1080;
    }
    state.SetItemsProcessed(pixels);
}

// The table build alone for a width not seen before.
void BM_Dewarp_TableBuild(benchmark::State& state) {
    static std::atomic<int> nextWidth{20000};
    for (auto _ : state) benchmark::DoNotOptimize(_get360MajorSinCosTable(nextWidth.fetch_add(1)));
}

void BM_ColorFilter_ApplyBGR(benchmark::State& state) {
    const ColorFilter filter(1.2, 1.0, 0.8);
    std::vector<uint32_t> px = source();
    for (auto _ : state) {
        filter.applyBGR(px.data(), kSrcSide, kSrcSide);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSrcSide * kSrcSide);
}

#define DEWARP_SIZES ->Arg(2160)->Arg(2880)->Arg(3840)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Dewarp_C) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_Dewarp_SSE2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_Dewarp_AVX2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_V360Peer_Nearest) DEWARP_SIZES;
BENCHMARK(BM_DewarpBilinear_C) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_DewarpBilinear_SSE2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_DewarpBilinear_AVX2) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_V360Peer_Bilinear) DEWARP_SIZES;
BENCHMARK(BM_RatioBilinearToV360) DEWARP_SIZES->MinTime(2);
BENCHMARK(BM_RatioNearestToV360) DEWARP_SIZES->MinTime(2);
BENCHMARK(BM_RatioRepeatedRotationToV360) DEWARP_SIZES->MinTime(2);
BENCHMARK(BM_GatherFloor) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_DewarpRepeatedRotation) DEWARP_SIZES->Threads(1)->Threads(4);
BENCHMARK(BM_RatioRepeatedRotationToFloor) DEWARP_SIZES->MinTime(2);
BENCHMARK(BM_RatioNearestAVX2ToFloor) DEWARP_SIZES->MinTime(2);
BENCHMARK(BM_Dewarp_FirstCallOfWidth)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dewarp_TableBuild)->Iterations(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColorFilter_ApplyBGR)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
