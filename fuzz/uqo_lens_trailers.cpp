// "UQOLens{" and "UQOLensPhoto{" trailers.
#include "CameraTrailers.h"
#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    int a, b, c, f;
    float d, e, q[4];
    bool flag;
    getUQOLensVideoInfo(path.c_str(), a, b, c, d, e, f, flag);
    getUQOLensPhotoInfo(path.c_str(), a, b, c, d, e, q, f, flag);
    return 0;
}
