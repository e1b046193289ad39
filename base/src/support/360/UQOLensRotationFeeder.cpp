#include "UQOLensRotationFeeder.h"

#include "CameraFront.h"
#include "CameraTrailers.h"

UQOLensRotationFeeder::UQOLensRotationFeeder(const char* path) : params{kNoFront, false} {
    int a, b, c, f;
    float d, e;
    bool flag = false;
    if (getUQOLensVideoInfo(path, a, b, c, d, e, f, flag) != 0) flag = false;
    params.useFirstFrame = flag;
    parsingResult = parser.parse(path, -1);
}

double UQOLensRotationFeeder::getDuration() {
    AttParserData* last = parser.getParsedData().empty() ? nullptr : parser.getParsedData().back();
    return last ? last->time / 1000.0 : 0;
}

void UQOLensRotationFeeder::fillRotationDataByTime(int ms, double R[3][3]) {
    float qf[4];
    if (!parser.findAttitude(ms, qf)) {
        fillStandardRData(R);
        return;
    }
    double q[4] = {qf[0], qf[1], qf[2], qf[3]};
    UqoLensFrontParameters copy = params;
    fillUqoLensRMByAttitude(q, &R[0][0], &copy, 1);
}

void UQOLensRotationFeeder::fillRotationData(int frame, double R[3][3]) {
    fillRotationDataByTime(static_cast<int>(static_cast<long long>(frame) * 1000 / 30), R);
}

void UQOLensRotationFeeder::prepareFilteredRotationData(int, int) {}
