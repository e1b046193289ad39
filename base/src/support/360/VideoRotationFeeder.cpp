#include "VideoRotationFeeder.h"

#include <atomic>

#include "RotationGeometry.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::atomic<ExtVideoRotationFeederFactory*> extFactory{nullptr};
std::atomic<bool> movingAveragingFront{true};
std::atomic<bool> usingEye{true};
std::atomic<bool> byEngineeringOffset{false};
std::atomic<int> engineeringOffsetMs{0};

}  // namespace

VideoRotationFeeder::VideoRotationFeeder(int parsingResult) : parsingResult(parsingResult) {}

VideoRotationFeeder::~VideoRotationFeeder() = default;

void VideoRotationFeeder::fillRotationDataByTime(int ms, double R[3][3])
{
    fillRotationData(static_cast<int>(static_cast<long long>(ms) * 30 / 1000), R);
}

bool VideoRotationFeeder::getRawQuaternion(int, double[4], double*) { return false; }

int VideoRotationFeeder::getParsingResult() const { return parsingResult; }

void VideoRotationFeeder::fillStandardRData(double R[3][3])
{
    fillRotationMatrixAlongY(kPi / 4, &R[0][0]);
}

void VideoRotationFeeder::fillStandardQuaternion(double q[4]) { fillQuaternionAlongY(kPi / 4, q); }

void VideoRotationFeeder::setExtRotationFeederFactory(ExtVideoRotationFeederFactory* factory)
{
    extFactory = factory;
}

ExtVideoRotationFeederFactory* VideoRotationFeeder::getExtRotationFeederFactory()
{
    return extFactory;
}

void VideoRotationFeeder::enableMovingAveragingFront(bool enable) { movingAveragingFront = enable; }
bool VideoRotationFeeder::isMovingAveragingFrontEnabled() { return movingAveragingFront; }
void VideoRotationFeeder::enableToUseEye(bool enable) { usingEye = enable; }
bool VideoRotationFeeder::isUsingEye() { return usingEye; }

void VideoRotationFeeder::setEngineeringEyeMediaOffsetInMS(int ms)
{
    engineeringOffsetMs = ms;
    byEngineeringOffset = true;
}

bool VideoRotationFeeder::isByEngineeringEyeMediaOffset() { return byEngineeringOffset; }
int VideoRotationFeeder::getEngineeringEyeMediaOffsetInMS() { return engineeringOffsetMs; }
