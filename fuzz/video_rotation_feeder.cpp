// Rotation feeders over the bytes as a ".eye" file and as a media file with attached eye data.
#include <fstream>
#include <memory>

#include "FuzzFile.h"
#include "VideoRotationFeeder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string media = FuzzFile::write(data, size);
    const std::string eye = media + ".eye";
    std::ofstream(eye, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    for (const std::string& path : {eye, media}) {
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
