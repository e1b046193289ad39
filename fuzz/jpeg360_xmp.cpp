// JPEG segment walks: the 360 probe and the XMP inserter (and the probe of its output).
#include "FuzzFile.h"
#include "Jpeg360Xmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    const std::string out = path + ".out.jpg";
    simpleIs360Jpg(path.c_str());
    simpleAppend360Metadata2JpgFile(path.c_str(), out.c_str());
    simpleIs360Jpg(out.c_str());
    return 0;
}
