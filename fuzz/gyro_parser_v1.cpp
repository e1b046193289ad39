// Gyro text files.
#include "FuzzFile.h"
#include "GyroParserV1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile::write(data, size);
    GyroParserV1 parser;
    parser.canParseFile(path.c_str());
    parser.parse(path.c_str(), 0);
    float q[4];
    parser.findAttitude(3, q);
    return 0;
}
