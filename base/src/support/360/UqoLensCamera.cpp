#include "UqoLensCamera.h"

#include "CameraFront.h"
#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct LensFrames {
    double rt[9] = {0, -1, 0, 0, 0, -1, 1, 0, 0};
    double rt_1[9];
    double r90[9];
    double q90_qt_1[4];

    LensFrames() {
        rmatrixInverse(rt, rt_1);
        fillRotationMatrixAlongY(kPi / 2, r90);
        double qx[4], qy90[4], qt_1[4];
        fillQuaternionAlongX(-kPi / 2, qx);
        fillQuaternionAlongY(kPi / 2, qy90);
        quaternionMutiply(qx, qy90, qt_1);
        quaternionMutiply(qy90, qt_1, q90_qt_1);
        refineQuaternion(q90_qt_1);
    }
};

const LensFrames& frames() {
    static const LensFrames f;
    return f;
}

UqoLensFrontParameters& internalParameters() {
    static UqoLensFrontParameters p{kNoFront, false};
    return p;
}

// M = R(q)^-1 x frame.
void sensorToCamera(const double q[4], const double frame[9], double M[9]) {
    double Rq[9], inverse[9];
    fillRotationMatrixByQuaternion(q, Rq);
    rmatrixInverse(Rq, inverse);
    rmatrixMutiply(inverse, frame, M);
}

// R = r90 x (Rz(front) x M)^-1.
void level(const double M[9], double front, double R[9]) {
    double Rz[9], turned[9], inverse[9];
    fillRotationMatrixAlongZ(front, Rz);
    rmatrixMutiply(Rz, M, turned);
    rmatrixInverse(turned, inverse);
    rmatrixMutiply(frames().r90, inverse, R);
}

}  // namespace

UqoLensFrontParameters* allocUqoLensFrontParameters(bool useFirstFrame) {
    return new UqoLensFrontParameters{kNoFront, useFirstFrame};
}

void freeUqoLensFrontParameters(UqoLensFrontParameters* p) { delete p; }

void resetUqoLensFrontParameters(UqoLensFrontParameters* p) {
    p->front = kNoFront;
    p->useFirstFrame = false;
}

void resetUqoLensFrontParameters() { resetUqoLensFrontParameters(&internalParameters()); }

void fillUqoLensRMByAttitude(double q[4], double R[9], UqoLensFrontParameters* p, double alpha) {
    q[3] = -q[3];
    double M[9];
    sensorToCamera(q, p->useFirstFrame ? frames().rt : frames().rt_1, M);
    level(M, filterFront(frontAngleOfMatrix(M), &p->front, alpha), R);
}

void fillUqoLensRMByAttitude(double q[4], float R[9], UqoLensFrontParameters* p, double alpha) {
    double Rd[9];
    fillUqoLensRMByAttitude(q, Rd, p, alpha);
    rmatrixCopy(Rd, R);
}

void fillUqoLensRMByAttitude(double q[4], double R[9], double alpha) {
    fillUqoLensRMByAttitude(q, R, &internalParameters(), alpha);
}

void fillUqoLensRMByAttitude(double q[4], float R[9], double alpha) {
    fillUqoLensRMByAttitude(q, R, &internalParameters(), alpha);
}

double getUqoLensRawFront(const double q[4]) {
    double M[9];
    sensorToCamera(q, frames().rt, M);
    return frontAngleOfMatrix(M);
}

void fillUqoLensRMByAttitudeWithFront(const double q[4], double R[9], double front) {
    (void)front;
    double M[9];
    sensorToCamera(q, frames().rt, M);
    level(M, 0, R);
}

void fillUqoLensRMByAttitudeWithFront(const double q[4], float R[9], double front) {
    double Rd[9];
    fillUqoLensRMByAttitudeWithFront(q, Rd, front);
    rmatrixCopy(Rd, R);
}

void getUQOLensQFromSensorQ(const double q[4], double out[4]) {
    quaternionMutiply(frames().q90_qt_1, q, out);
}
