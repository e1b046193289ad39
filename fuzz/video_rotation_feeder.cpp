// Rotation feeders over eye files and attached eye data.
#include <memory>

#include "FuzzInputFile.h"
#include "VideoRotationFeeder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const char* slot : {"in.eye", "in.MP4"}) {
        const std::string path = fuzzInputFile(data, size, slot);
        std::unique_ptr<VideoRotationFeeder> feeder(
            VideoRotationFeeder::newVRFeeder(path.c_str(), true));
        feeder->prepareFilteredRotationData(0, 90);
        double R[3][3], q[4], front;
        for (int frame : {0, 10, 89, 500}) feeder->fillRotationData(frame, R);
        feeder->getRawQuaternion(3, q, &front);
        feeder->getDuration();
    }
    return 0;
}
