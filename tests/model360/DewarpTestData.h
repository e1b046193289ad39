#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Dewarp360Kernels.h"

// Fixtures shared by the dewarp tests: coded and random images, rotations, the exact lens
// model, and the kernel equivalence sweeps.
namespace DewarpTestData {

// Pixel (x, y) holds kCodeMarker in byte 3, y in bits 12-23 and x in bits 0-11 (sizes < 4096).
constexpr uint32_t kCodeMarker = 0xa5000000u;
std::vector<uint32_t> codedImage(int w, int h);
bool decode(uint32_t pixel, int* x, int* y);

std::vector<uint32_t> randomImage(int w, int h, unsigned seed);
// A random rotation matrix (from a random unit quaternion).
void randomRotation(unsigned seed, double R[9]);
void identityRotation(double R[9]);

// Exact equidistant lens: where the output direction (lat, lon in radians) lands in the source
// for the given lens; returns its elevation after rotation.
struct LensCase {
    int direction;
    double covered;
    double cx, cy, radius;
};
double exactSourcePosition(const LensCase& lens, const double R[9], double lat, double lon,
                           double* px, double* py);

// What a sweep compares: the nearest or bilinear pixels, or the codes of the map builders.
enum class Sampling { Nearest, Bilinear, Codes };
// The name of a kernel kind ("C", "SSE2", "AVX2").
const char* kindName(DewarpKernelKind kind);

// Runs the kernel of `kind` and `sampling` (for Codes: the code kernel on the context the
// arguments give) into a fresh buffer pre-filled with a sentinel and followed by guard words;
// fails the test when a guard word changes. `kind` must have a kernel of that sampling.
std::vector<uint32_t> runKernel(DewarpKernelKind kind, Sampling sampling,
                                const std::vector<uint32_t>& src, int srcW, int srcH, double cx,
                                double cy, double radius, const double R[9], int dstW, int dstH,
                                int bg, const uint32_t* patch, int patchW, int patchH);
// The plain nearest kernel.
std::vector<uint32_t> runKernel(DewarpKernel kernel, const std::vector<uint32_t>& src, int srcW,
                                int srcH, double cx, double cy, double radius, const double R[9],
                                int dstW, int dstH, int bg, const uint32_t* patch, int patchW,
                                int patchH);

// The kernel of `kind` against the plain one over widths 1..maxWidth on random input and
// random rotations, every direction; a circle inside the source and one that overflows every
// edge.
void expectKernelsAgreeOverWidths(DewarpKernelKind kind, int maxWidth,
                                  Sampling sampling = Sampling::Nearest);
// The kernel of `kind` against the plain one over the table of directions, covered angles,
// rotations, patches and the realistic widths.
void expectKernelsAgreeOverTable(DewarpKernelKind kind, Sampling sampling = Sampling::Nearest);
// The gather kernel of `kind` against the plain one over counts 0..maxCount of random codes,
// with no patch, a one-pixel patch and a larger one.
void expectGathersAgree(DewarpKernelKind kind, int maxCount);

// Each geometry of a sequence (rotation, circle, radius, lens direction and angle, patch, entry
// form, output and source size, each changed in turn, then the first again) drawn three times
// through the dewarp entries, each time with new pixels, bg and patch pixels: every call gives
// the chosen kernel's bytes, and the repeats are drawn through maps.
void expectRepeatedGeometriesMatchTheKernel();
// Four threads draw one geometry at once, each its own frames: the chosen kernel's bytes.
void expectConcurrentRepeatsMatchTheKernel();

// A test of one SIMD kernel kind (its parameter), skipped with the reason on processors that
// lack its instructions.
class SimdKernelTest : public testing::TestWithParam<DewarpKernelKind> {
  protected:
    void SetUp() override;
};
// The parameter's name in test names.
std::string kindParamName(const testing::TestParamInfo<DewarpKernelKind>& info);

}  // namespace DewarpTestData
