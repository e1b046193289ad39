#include "Vintaro360Camera.h"

#include "CameraFront.h"
#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct DashFrames {
    double rt[9] = {0, -1, 0, 0, 0, -1, 1, 0, 0};  // sensor to camera
    double rt_1[9];
    double r45[9];
    double r45_rt_1[9];
    double q45_qt_1[4];

    DashFrames() {
        rmatrixInverse(rt, rt_1);
        fillRotationMatrixAlongY(kPi / 4, r45);
        rmatrixMutiply(r45, rt_1, r45_rt_1);
        double qx[4], qy90[4], qy45[4], qt_1[4];
        fillQuaternionAlongX(-kPi / 2, qx);
        fillQuaternionAlongY(kPi / 2, qy90);
        fillQuaternionAlongY(kPi / 4, qy45);
        quaternionMutiply(qx, qy90, qt_1);
        quaternionMutiply(qy45, qt_1, q45_qt_1);
        refineQuaternion(q45_qt_1);
    }
};

DashFrames& frames() {
    static DashFrames f;
    return f;
}

Vintaro360FrontParameters& internalParameters() {
    static Vintaro360FrontParameters p{kNoFront};
    return p;
}

// M = R(q)^-1 x rt.
void sensorToCamera(const double q[4], double M[9]) {
    double Rq[9], inverse[9];
    fillRotationMatrixByQuaternion(q, Rq);
    rmatrixInverse(Rq, inverse);
    rmatrixMutiply(inverse, frames().rt, M);
}

// R = r45 x (Rz(c) x M)^-1 with c the filtered front of M.
void levelWithFilteredFront(const double M[9], double R[9], Vintaro360FrontParameters* p,
                            double alpha) {
    const double c = filterFront(frontAngleOfMatrix(M), &p->front, alpha);
    double Rz[9], turned[9], inverse[9];
    fillRotationMatrixAlongZ(c, Rz);
    rmatrixMutiply(Rz, M, turned);
    rmatrixInverse(turned, inverse);
    rmatrixMutiply(frames().r45, inverse, R);
}

using CameraMatrix = void (*)(const double q[4], double M[9]);

// R = levelWithFilteredFront(camera(q)).
void levelled(CameraMatrix camera, const double q[4], double R[9], Vintaro360FrontParameters* p,
              double alpha) {
    double M[9];
    camera(q, M);
    levelWithFilteredFront(M, R, p, alpha);
}

// The same in doubles, copied to floats.
void levelled(CameraMatrix camera, const double q[4], float R[9], Vintaro360FrontParameters* p,
              double alpha) {
    double Rd[9];
    levelled(camera, q, Rd, p, alpha);
    rmatrixCopy(Rd, R);
}

void quaternionMatrix(const double q[4], double M[9]) { fillRotationMatrixByQuaternion(q, M); }

// R = left x R(q) x Rz(-front) (left null: the identity).
void withFront(const double* left, const double q[4], double front, double R[9]) {
    double Rq[9], Rz[9];
    fillRotationMatrixByQuaternion(q, Rq);
    fillRotationMatrixAlongZ(-front, Rz);
    rmatrixMutiply(Rq, Rz, R);
    if (left) rmatrixMutiply(left, R, R);
}

}  // namespace

Vintaro360FrontParameters* allocVintaro360FrontParameters() {
    return new Vintaro360FrontParameters{kNoFront};
}

void freeVintaro360FrontParameters(Vintaro360FrontParameters* p) { delete p; }

void resetVintaro360FrontParameters(Vintaro360FrontParameters* p) { p->front = kNoFront; }

void resetVintaro360FrontParameters() { resetVintaro360FrontParameters(&internalParameters()); }

void fillVintaro360RMByAttitude(const double q[4], double R[9], Vintaro360FrontParameters* p,
                                double alpha) {
    levelled(sensorToCamera, q, R, p, alpha);
}

void fillVintaro360RMByAttitude(const double q[4], float R[9], Vintaro360FrontParameters* p,
                                double alpha) {
    levelled(sensorToCamera, q, R, p, alpha);
}

void fillVintaro360RMByAttitude(const double q[4], double R[9], double alpha) {
    fillVintaro360RMByAttitude(q, R, &internalParameters(), alpha);
}

void fillVintaro360RMByAttitude(const double q[4], float R[9], double alpha) {
    fillVintaro360RMByAttitude(q, R, &internalParameters(), alpha);
}

void fillWorldToCameraRMWithFront(const double q[4], double R[9], Vintaro360FrontParameters* p,
                                  double alpha) {
    levelled(quaternionMatrix, q, R, p, alpha);
}

void fillWorldToCameraRMWithFront(const double q[4], float R[9], Vintaro360FrontParameters* p,
                                  double alpha) {
    levelled(quaternionMatrix, q, R, p, alpha);
}

double getVintaro360RawFront(const double q[4]) {
    double M[9];
    sensorToCamera(q, M);
    return frontAngleOfMatrix(M);
}

void fillVintaro360RMByAttitudeWithFront(const double q[4], double R[9], double front) {
    withFront(frames().r45_rt_1, q, front, R);
}

void fillVintaro360RMByAttitudeWithFront(const double q[4], float R[9], double front) {
    double Rd[9];
    fillVintaro360RMByAttitudeWithFront(q, Rd, front);
    rmatrixCopy(Rd, R);
}

void fillWorldToCameraRMWithFront(const double q[4], double R[9], double front) {
    withFront(nullptr, q, front, R);
}

void fillWorldToCameraRMWithFront(const double q[4], float R[9], double front) {
    double Rd[9];
    fillWorldToCameraRMWithFront(q, Rd, front);
    rmatrixCopy(Rd, R);
}

void getVintaro360QFromSensorQ(const double q[4], double out[4]) {
    quaternionMutiply(frames().q45_qt_1, q, out);
}

void useHandMountVintaro360AttitudeSensor() {
    const double handMount[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    rmatrixCopy(handMount, frames().rt);
}
