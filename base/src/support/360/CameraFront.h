#pragma once

// The front (yaw) angle of a camera rotation and its first-order low-pass filter, shared by the
// camera families. Angles in radians.

// Smoothing factor of a first-order low-pass filter: dt / (1 / (2 pi fc) + dt).
double calculateLowPassAlpha(double fc, double dt);

// Front angle of a row-major matrix: atan2(M12 - M10, M00 - M02), or atan2(-M10, M00) when
// that pair is too short (squared length at most 0.1).
double frontAngleOfMatrix(const double M[9]);

// `raw` filtered against the stored front (above 360: none yet, raw taken); stores and returns
// the result. The step goes the short way across +-pi.
double filterFront(double raw, double* front, double alpha);

// Front marking "no previous front".
constexpr double kNoFront = 1000;
