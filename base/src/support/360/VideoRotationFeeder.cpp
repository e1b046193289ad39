#include "VideoRotationFeeder.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "ArrayBasedV2RotationFeeder.h"
#include "ByteUtil.h"
#include "ExtVideoRotationFeederFactory.h"
#include "LogSystem.h"
#include "NoEyeRotationFeeder.h"
#include "OsalInputFile.h"
#include "RotationGeometry.h"
#include "UQOLensQParser.h"
#include "UQOLensRotationFeeder.h"
#include "V1RotationFeeder.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::atomic<ExtVideoRotationFeederFactory*> extFactory{nullptr};
std::atomic<bool> movingAveragingFront{true};
std::atomic<bool> usingEye{true};
std::atomic<bool> byEngineeringOffset{false};
std::atomic<int> engineeringOffsetMs{0};

// The feeder for the file's attitude data; never null.
VideoRotationFeeder* newInternalFeeder(const char* path, bool logErrors) {
    if (path == nullptr || *path == '\0') return new NoEyeRotationFeeder(1);
    if (UQOLensQParser::canParse(path)) return new UQOLensRotationFeeder(path);
    const size_t n = std::strlen(path);
    if (n < 4 || std::strcmp(path + n - 4, ".eye") != 0)
        return new ArrayBasedV2RotationFeeder(path, logErrors);
    std::unique_ptr<OsalInputFile> file(new OsalInputFile(path));
    if (file->open() != 0) return new NoEyeRotationFeeder(30);
    unsigned int version;
    if (ByteUtil::readUInt16(file, &version) != 0) {
        if (logErrors) LogSystem::e("VideoRF", "Very short eye file: %s.", path);
        return new NoEyeRotationFeeder(1);
    }
    file->close();
    if (version == 2) return new ArrayBasedV2RotationFeeder(path, logErrors);
    if (version == 1) return new V1RotationFeeder(path);
    if (logErrors)
        LogSystem::e("VideoRF", "Eye file version %d not supported, file: %s.",
                     static_cast<int>(version), path);
    return new NoEyeRotationFeeder(1);
}

}  // namespace

VideoRotationFeeder* VideoRotationFeeder::newVRFeeder(const char* path, bool logErrors) {
    VideoRotationFeeder* feeder = newInternalFeeder(path, logErrors);
    ExtVideoRotationFeederFactory* factory = extFactory;
    return factory ? factory->onFeederCreated(feeder) : feeder;
}

VideoRotationFeeder::VideoRotationFeeder(int parsingResult) : parsingResult(parsingResult) {}

VideoRotationFeeder::~VideoRotationFeeder() = default;

void VideoRotationFeeder::fillRotationDataByTime(int ms, double R[3][3]) {
    fillRotationData(static_cast<int>(static_cast<long long>(ms) * 30 / 1000), R);
}

bool VideoRotationFeeder::getRawQuaternion(int, double[4], double*) { return false; }

int VideoRotationFeeder::getParsingResult() const { return parsingResult; }

void VideoRotationFeeder::fillStandardRData(double R[3][3]) {
    fillRotationMatrixAlongY(kPi / 4, &R[0][0]);
}

void VideoRotationFeeder::fillStandardQuaternion(double q[4]) { fillQuaternionAlongY(kPi / 4, q); }

void VideoRotationFeeder::setExtRotationFeederFactory(ExtVideoRotationFeederFactory* factory) {
    extFactory = factory;
}

ExtVideoRotationFeederFactory* VideoRotationFeeder::getExtRotationFeederFactory() {
    return extFactory;
}

void VideoRotationFeeder::enableMovingAveragingFront(bool enable) { movingAveragingFront = enable; }
bool VideoRotationFeeder::isMovingAveragingFrontEnabled() { return movingAveragingFront; }
void VideoRotationFeeder::enableToUseEye(bool enable) { usingEye = enable; }
bool VideoRotationFeeder::isUsingEye() { return usingEye; }

void VideoRotationFeeder::setEngineeringEyeMediaOffsetInMS(int ms) {
    engineeringOffsetMs = ms;
    byEngineeringOffset = true;
}

bool VideoRotationFeeder::isByEngineeringEyeMediaOffset() { return byEngineeringOffset; }
int VideoRotationFeeder::getEngineeringEyeMediaOffsetInMS() { return engineeringOffsetMs; }
