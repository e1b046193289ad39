#include "NoEyeRotationFeeder.h"

NoEyeRotationFeeder::NoEyeRotationFeeder(int failureCode) : VideoRotationFeeder(failureCode) {}

double NoEyeRotationFeeder::getDuration() { return 0; }

void NoEyeRotationFeeder::fillRotationData(int, double R[3][3]) { fillStandardRData(R); }

void NoEyeRotationFeeder::prepareFilteredRotationData(int, int) {}
