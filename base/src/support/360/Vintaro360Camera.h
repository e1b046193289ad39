#pragma once

// Dash camera family: how its attitude sensor sits relative to the lens, and the rotation that
// levels the image from a sensor quaternion (w, x, y, z), with the front angle smoothed by a
// low-pass filter. Matrices are row-major 3x3. The fixed frames and the internal parameter set
// are process-wide statics without a lock: switch and reset them before concurrent use.

// One filtered sequence's state: the last front in radians, above 360 when there is none.
struct Vintaro360FrontParameters {
    double front;
};

// New parameter set with no front; freed with freeVintaro360FrontParameters.
Vintaro360FrontParameters* allocVintaro360FrontParameters();
void freeVintaro360FrontParameters(Vintaro360FrontParameters* p);
void resetVintaro360FrontParameters(Vintaro360FrontParameters* p);
// Resets the internal parameter set of the forms without parameters.
void resetVintaro360FrontParameters();

// R = r45 x (Rz(c) x M)^-1 with M = R(q)^-1 x rt and c its front filtered by alpha.
void fillVintaro360RMByAttitude(const double q[4], double R[9], Vintaro360FrontParameters* p,
                                double alpha);
void fillVintaro360RMByAttitude(const double q[4], float R[9], Vintaro360FrontParameters* p,
                                double alpha);
void fillVintaro360RMByAttitude(const double q[4], double R[9], double alpha);
void fillVintaro360RMByAttitude(const double q[4], float R[9], double alpha);

// The same filter with M = R(q).
void fillWorldToCameraRMWithFront(const double q[4], double R[9], Vintaro360FrontParameters* p,
                                  double alpha);
void fillWorldToCameraRMWithFront(const double q[4], float R[9], Vintaro360FrontParameters* p,
                                  double alpha);

// Unfiltered front of R(q)^-1 x rt.
double getVintaro360RawFront(const double q[4]);

// R = r45_rt_1 x R(q) x Rz(-front).
void fillVintaro360RMByAttitudeWithFront(const double q[4], double R[9], double front);
void fillVintaro360RMByAttitudeWithFront(const double q[4], float R[9], double front);
// R = R(q) x Rz(-front).
void fillWorldToCameraRMWithFront(const double q[4], double R[9], double front);
void fillWorldToCameraRMWithFront(const double q[4], float R[9], double front);

// out = q45_qt_1 x q.
void getVintaro360QFromSensorQ(const double q[4], double out[4]);

// Replaces the sensor-to-camera frame rt for all later calls (rt_1 and r45_rt_1 stay).
void useHandMountVintaro360AttitudeSensor();
