// MP4 box walks of the 360 probes.
#include "FuzzFile.h"
#include "Mp4360Probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    simpleIs360Mp4(path.c_str());
    simpleIs360Or180Mp4(path.c_str());
    return 0;
}
