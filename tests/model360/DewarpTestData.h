#pragma once

#include <cstdint>
#include <vector>

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

struct NamedKernel {
    const char* name;
    DewarpKernel kernel;
};
// The kernels of one sampling that this processor runs, the plain one (the reference) first.
enum class Sampling { Nearest, Bilinear };
const std::vector<NamedKernel>& kernels(Sampling sampling = Sampling::Nearest);

// Runs `kernel` into a fresh buffer pre-filled with a sentinel and followed by guard words;
// fails the test when a guard word changes.
std::vector<uint32_t> runKernel(DewarpKernel kernel, const std::vector<uint32_t>& src, int srcW,
                                int srcH, double cx, double cy, double radius, const double R[9],
                                int dstW, int dstH, int bg, const uint32_t* patch, int patchW,
                                int patchH);

// Every kernel against the plain one over widths 1..maxWidth on random input and random
// rotations, every direction; a circle inside the source and one that overflows every edge.
void expectKernelsAgreeOverWidths(int maxWidth, Sampling sampling = Sampling::Nearest);
// Every kernel against the plain one over the table of directions, covered angles, rotations,
// patches and the realistic widths.
void expectKernelsAgreeOverTable(Sampling sampling = Sampling::Nearest);

}  // namespace DewarpTestData
