// Lens camera files: the attitude block before the "UQOLens{" trailer.
#include "FuzzFile.h"
#include "UQOLensQParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    UQOLensQParser parser;
    parser.parse(path.c_str(), 0);
    float q[4];
    parser.findAttitude(50, q);
    return 0;
}
