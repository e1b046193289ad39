#pragma once

// Rotation geometry: 3x3 rotation matrices, unit quaternions, rotation vectors, Euler angles,
// their conversions, products and interpolation, and sphere / little-planet coordinates.
//
// Conventions shared by every function here:
// - a vector is (x, y, z); a matrix is row-major (element (r, c) at index 3r + c) and applied to
//   a column vector as M x v; the inverse of a rotation matrix is its transpose;
// - a quaternion is (w, x, y, z), w the scalar part; products are Hamilton products; functions
//   assume unit quaternions and do not normalise unless stated;
// - a rotation vector is the axis scaled by the angle in radians;
// - Euler angles are (roll about X, pitch about Y, yaw about Z) in radians, describing
//   Rz(yaw) x Ry(pitch) x Rx(roll);
// - sphere coordinates are latitude and longitude in degrees (z up, longitude from x toward y).
// Results go to out-parameters; no function allocates, checks or keeps state. Every output may
// alias an input.

// Identity matrix.
void fillIdentityMatrix(double M[9]);
void fillIdentityMatrix(float M[9]);

// Rotations by `angle` radians about one axis.
void fillRotationMatrixAlongX(double angle, double M[9]);
void fillRotationMatrixAlongY(double angle, double M[9]);
void fillRotationMatrixAlongZ(double angle, double M[9]);

// Quaternions of the rotation vectors (angle, 0, 0) and (0, angle, 0).
void fillQuaternionAlongX(double angle, double q[4]);
void fillQuaternionAlongY(double angle, double q[4]);

// Rotation vector -> quaternion: w = cos(a/2), (x, y, z) = k v with k = 0.5 when the length
// a <= 0.01, else sin(a/2)/a.
void rvector2Quaternion(const double v[3], double q[4]);
void rvector2Quaternion(const float v[3], float q[4]);

// Quaternion -> rotation vector of at most pi radians: a q with w < 0 is taken as -q, the same
// rotation. w is clamped into [-1, 1] first, so a w just above 1 from rounding gives a small
// vector instead of NaN.
void quaternion2RVector(const double q[4], double v[3]);
void quaternion2RVector(const float q[4], float v[3]);

// Rotation angle of a rotation vector in degrees.
float degreeOfRvector(const float v[3]);

void fillRotationMatrixByRVector(const double v[3], double M[9]);

// Matrix of a quaternion, without normalisation.
void fillRotationMatrixByQuaternion(const double q[4], double M[9]);
void fillRotationMatrixByQuaternion(const float q[4], float M[9]);
void fillRotationMatrixByQuaternion(const float q[4], double M[9]);

// Quaternion of a rotation matrix; valid away from rotations by about 180 degrees (w near 0).
void rmatrixToQuternion(const double M[9], double q[4]);
void rmatrixToQuternion(const float M[9], float q[4]);

void rmatrixCopy(const double src[9], double dst[9]);
void rmatrixCopy(const float src[9], float dst[9]);
void rmatrixCopy(const double src[9], float dst[9]);
void rmatrixCopy(const float src[9], double dst[9]);

// Transpose.
void rmatrixInverse(const double M[9], double out[9]);
void rmatrixInverse(const float M[9], float out[9]);

// out = A x B.
void rmatrixMutiply(const double A[9], const double B[9], double out[9]);
void rmatrixMutiply(const float A[9], const float B[9], float out[9]);

// out = M x v.
void rotate(const float M[9], const float v[3], float out[3]);

void quaternionCopy(const double src[4], double dst[4]);
void quaternionCopy(const float src[4], float dst[4]);
void quaternionCopy(const double src[4], float dst[4]);
void quaternionCopy(const float src[4], double dst[4]);

// Conjugate (w, -x, -y, -z).
void quaternionInverse(const double q[4], double out[4]);
void quaternionInverse(const float q[4], float out[4]);
void quaternionInverse(const float q[4], double out[4]);
void quaternionInverse(const double q[4], float out[4]);

// Divides q in place by its length.
void refineQuaternion(double q[4]);
void refineQuaternion(float q[4]);

// out = p x q (Hamilton product).
void quaternionMutiply(const double p[4], const double q[4], double out[4]);
void quaternionMutiply(const float p[4], const float q[4], float out[4]);

// Euler angles of a quaternion (computed in double); pitch is exactly +-pi/2 beyond the poles.
void quaternion2EulerAngle(const float q[4], float e[3]);
void eulerAngle2Quaternion(const float e[3], float q[4]);

// Spherical interpolation along the shorter arc, t in [0, 1], result normalised.
void quaternionSlerp(const double q0[4], const double q1[4], double t, double out[4]);
void quaternionSlerp(const float q0[4], const float q1[4], float t, float out[4]);

// Second slerp variant: negates the caller's q1 in place when q0 . q1 < 0; lerps above a dot
// of 0.9995; the spherical result is not normalised.
void quaternionSlerp2(const float q0[4], float q1[4], float t, float out[4]);

// quaternionSlerp from the identity to q at t.
void partialQuaternionBySlerp(const double q[4], double t, double out[4]);
void partialQuaternionBySlerp(const float q[4], float t, float out[4]);

// Quaternion of half the rotation of q (the float form computes in double).
void halfQuaternion(const double q[4], double out[4]);
void halfQuaternion(const float q[4], float out[4]);

// Interpolation between two rotation vectors through their quaternions.
void rvectorSlerp(const double a[3], const double b[3], double t, double out[3]);

// Sphere coordinates (degrees) of a direction of any length; longitude 0 on the z axis.
void xyzToSphere(double x, double y, double z, double* lat, double* lon);
// Unit vector of sphere coordinates in degrees.
void sphereToUnitXyz(double lat, double lon, double* x, double* y, double* z);
// Unit vector of a point of the little-planet plane: (0, 0) -> (0, 0, -1), far out -> (0, 0, 1).
void littlePlanetToUnitXyz(double u, double v, double* x, double* y, double* z);
