#pragma once

// Lens camera family: the rotation that levels the image from a sensor quaternion (w, x, y, z)
// with a low-pass filtered front. Matrices are row-major 3x3. Fixed frames and the internal
// parameter set are process-wide statics without a lock.

// One filtered sequence's state: the last front (above 360: none) and the sensor-to-camera
// frame (true: rt, false: its inverse rt_1).
struct UqoLensFrontParameters {
    double front;
    bool useFirstFrame;
};

UqoLensFrontParameters* allocUqoLensFrontParameters(bool useFirstFrame);
void freeUqoLensFrontParameters(UqoLensFrontParameters* p);
// No front, flag false.
void resetUqoLensFrontParameters(UqoLensFrontParameters* p);
void resetUqoLensFrontParameters();

// Negates q's z in place (the caller's quaternion changes), then R = r90 x (Rz(c) x M)^-1 with
// M = R(q)^-1 x (useFirstFrame ? rt : rt_1) and c its front filtered by alpha.
void fillUqoLensRMByAttitude(double q[4], double R[9], UqoLensFrontParameters* p, double alpha);
void fillUqoLensRMByAttitude(double q[4], float R[9], UqoLensFrontParameters* p, double alpha);
void fillUqoLensRMByAttitude(double q[4], double R[9], double alpha);
void fillUqoLensRMByAttitude(double q[4], float R[9], double alpha);

// Unfiltered front of R(q)^-1 x rt (q unchanged).
double getUqoLensRawFront(const double q[4]);

// R = r90 x (R(q)^-1 x rt)^-1; `front` does not enter.
void fillUqoLensRMByAttitudeWithFront(const double q[4], double R[9], double front);
void fillUqoLensRMByAttitudeWithFront(const double q[4], float R[9], double front);

// out = q90_qt_1 x q.
void getUQOLensQFromSensorQ(const double q[4], double out[4]);
