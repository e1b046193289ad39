#pragma once

#include <vector>

// Lookup tables of the dewarp. Each is built once, on first use, by whichever thread asks first
// (the others wait), and is never freed or changed afterwards: returned pointers stay valid and
// may be read from any thread for the life of the process.

// sin and cos of 2 pi k / n for k = 0..n-1 (computed in double, stored as float).
struct MajorSinCosTable {
    int n;
    std::vector<float> sin;
    std::vector<float> cos;
    double ndxPerRadian;  // n / (2 pi)
};

// sin and cos of start + k (end - start) / (n - 1) for k = 0..n-1 (degrees converted to
// radians); a single entry holds the start.
struct PartialSinCosTable {
    int n;
    double startDeg;
    double endDeg;
    std::vector<float> sin;
    std::vector<float> cos;
};

// Arcsine table: 8,233 floats; the returned pointer is the centre, valid from -4116 to +4116:
// centre[+-k] = +-asin(k / 4096) for k = 0..4096, +-pi/2 beyond.
const float* _init360ArcSinTable();
// Cosine table: 4,117 floats; element k < 4096 = cos(k x pi/2 / 4096) (angle in float),
// element 4096 = cos of the float pi/2, the rest 0.
const float* _init360MajorSinCosTable();

// The shared table for n columns (1 <= n <= kDewarpMaxSide), built on the first request for n;
// null for other n.
const MajorSinCosTable* _get360MajorSinCosTable(int n);
// The shared table for n columns from startDeg to endDeg (reused only for exactly equal
// arguments); null for n outside 1..kDewarpMaxSide.
const PartialSinCosTable* get360PartialSinCosTable(int n, double startDeg, double endDeg);
