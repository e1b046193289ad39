#pragma once

// Centre crop of an equirectangular image and small sphere projections. These use a y-up frame
// (latitude from y, longitude from z toward x), unlike the z-up rotation geometry.

// Nearest-neighbour centre crop of a 32-bit srcW x srcH equirectangular image for a horizontal
// field of view fovDeg (degrees) into dstW x dstH: the horizontal span is srcW x fov / 360
// columns, the vertical span fov x (dstH / dstW) x srcH / 180 rows (the output keeps the
// source's angular aspect), both centred; positions are clamped to the image. Nothing for null
// buffers or non-positive sizes.
void generateViewAngleThumbnail(const void* src, void* dst, int srcW, int srcH, double fovDeg,
                                int dstW, int dstH);

// Unit vector toward the point (a, b, -1).
void reversePerspectiveToSphereXYZ(double a, double b, double out[3]);
// lat = asin(v[1]) (v[1] clamped into [-1, 1]), lng = atan2(v[0], v[2]); radians.
void unitVectorToLatLngInPi(const double v[3], double* lat, double* lng);
// The same in degrees.
void unitVectorToLatLngIn360(const double v[3], double* lat, double* lng);
